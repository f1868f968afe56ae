// Fitting frames into the preview: averages of four pixels of each block
// when shrinking, the nearest pixel when enlarging, 32-bit pixels out, row
// padding of either side left alone.
#include "capture/PreviewScaler.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace karone {
namespace {

// A frame of grey levels (b = g = r = level), rows padded with 0xEE bytes,
// as do the skipped fourth bytes of 4-byte pixels.
struct GreyFrame {
  GreyFrame(int width, int height, const std::vector<int>& levels, int pixelBytes = 3)
      : width(width), height(height), stride(width * pixelBytes + 5), pixelBytes(pixelBytes),
        bytes(static_cast<std::size_t>(stride * height), 0xEE) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c)
          bytes[static_cast<std::size_t>(y * stride + x * pixelBytes + c)] =
              static_cast<std::uint8_t>(levels[static_cast<std::size_t>(y * width + x)]);
      }
    }
  }
  FrameView view() const { return FrameView{bytes.data(), width, height, stride, pixelBytes}; }
  int width, height, stride, pixelBytes;
  std::vector<std::uint8_t> bytes;
};

std::uint32_t grey(int level) {
  const auto v = static_cast<std::uint32_t>(level);
  return 0xFF000000u | (v << 16) | (v << 8) | v;
}

// The target's pixels as grey levels (-1 where the pixel is not grey).
std::vector<int> levels(const std::vector<std::uint32_t>& pixels, int width, int height,
                        int stride) {
  std::vector<int> out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y * stride + x)];
      const int b = static_cast<int>(p & 0xFF);
      out.push_back(p == grey(b) ? b : -1);
    }
  }
  return out;
}

TEST(PreviewScaler, AveragesFourPixelsOfEachBlockAndRepeatsPixelsWhenEnlarging) {
  struct Row {
    const char* what;
    int sourceWidth, sourceHeight;
    std::vector<int> source;
    int width, height;
    std::vector<int> expected;
  } rows[] = {
      {"same size", 2, 2, {1, 2, 3, 4}, 2, 2, {1, 2, 3, 4}},
      {"halved", 4, 2, {10, 20, 30, 41, 50, 60, 70, 80}, 2, 1, {35, 55}},  // 35, 55.25
      {"rounded to the nearest", 2, 1, {0, 3}, 1, 1, {2}},                // 1.5
      {"uneven blocks: 3 into 2", 3, 1, {0, 90, 200}, 2, 1, {0, 145}},
      {"whole picture into one pixel", 3, 2, {0, 0, 0, 255, 255, 255}, 1, 1, {128}},
      {"a 4 x 4 block: the pixels at its quarters", 4, 4,
       {9, 9, 9, 9, 9, 40, 9, 60, 9, 9, 9, 9, 9, 80, 9, 100}, 1, 1, {70}},
      {"doubled", 2, 1, {7, 9}, 4, 2, {7, 7, 9, 9, 7, 7, 9, 9}},
      {"wider, lower", 2, 2, {1, 2, 3, 5}, 4, 1, {2, 2, 4, 4}},
  };
  for (const Row& row : rows) for (const int pixelBytes : {3, 4}) {
    SCOPED_TRACE(std::string(row.what) + ", " + std::to_string(pixelBytes) + "-byte pixels");
    const GreyFrame frame(row.sourceWidth, row.sourceHeight, row.source, pixelBytes);
    const int stride = row.width + 3;  // padding the scaler must leave alone
    std::vector<std::uint32_t> target(static_cast<std::size_t>(stride * row.height), 0x12345678u);
    PreviewScaler scaler;
    scaler.scale(frame.view(), target.data(), row.width, row.height,
                 static_cast<std::size_t>(stride));
    EXPECT_EQ(levels(target, row.width, row.height, stride), row.expected);
    for (int y = 0; y < row.height; ++y) {
      for (int x = row.width; x < stride; ++x)
        EXPECT_EQ(target[static_cast<std::size_t>(y * stride + x)], 0x12345678u);
    }
  }
}

TEST(PreviewScaler, KeepsTheChannelsApartAndALineLandsInOneColumn) {
  // A camera-sized frame into a preview-sized picture: one white source
  // column shows in exactly one target column.
  constexpr int kWidth = 640, kHeight = 480, kTargetWidth = 190, kTargetHeight = 142;
  std::vector<int> levels(kWidth * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) levels[static_cast<std::size_t>(y * kWidth + 333)] = 255;
  GreyFrame frame(kWidth, kHeight, levels);
  // One blue-green-red pixel at the top left.
  frame.bytes[0] = 0x10;
  frame.bytes[1] = 0x80;
  frame.bytes[2] = 0xF0;
  std::vector<std::uint32_t> target(kTargetWidth * kTargetHeight);
  PreviewScaler scaler;
  for (int pass = 0; pass < 2; ++pass) {  // the second with the kept tables
    scaler.scale(frame.view(), target.data(), kTargetWidth, kTargetHeight, kTargetWidth);
    std::vector<int> litColumns;
    for (int x = 0; x < kTargetWidth; ++x) {
      if ((target[static_cast<std::size_t>(kTargetWidth * 70 + x)] & 0xFF) != 0)
        litColumns.push_back(x);
    }
    ASSERT_EQ(litColumns, std::vector<int>{99}) << "the one sampling source columns 333 and 335";
    // The top-left block, 3 x 3, samples its corners; one of them is
    // coloured.
    EXPECT_EQ(target[0], 0xFF3C2004u) << "red 0xF0 / 4, green 0x80 / 4, blue 0x10 / 4, rounded";
  }
}

TEST(PreviewScaler, WritesNothingWithoutAPictureOrASize) {
  const GreyFrame frame(2, 2, {1, 2, 3, 4});
  std::vector<std::uint32_t> target(4, 7);
  PreviewScaler scaler;
  scaler.scale(FrameView{}, target.data(), 2, 2, 2);
  scaler.scale(frame.view(), target.data(), 0, 2, 2);
  scaler.scale(frame.view(), target.data(), 2, -1, 2);
  EXPECT_EQ(target, std::vector<std::uint32_t>(4, 7));
}

}  // namespace
}  // namespace karone
