#pragma once
// Video frames as the capture seam hands them around: 24-bit pixels in
// blue-green-red byte order, rows from the top of the picture down.
//
// FrameView borrows the pixels of a frame for the length of one call (the
// frame callback, the preview sink); VideoFrame owns a copy with rows packed
// tightly (stride = width * 3). Plain values, no threading of their own.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace karone {

// Size and depth of the frames a running device delivers.
struct FrameFormat {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;

  std::size_t byteSize() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(bitsPerPixel / 8);
  }
  bool operator==(const FrameFormat&) const = default;
};

// A frame borrowed from its producer: height rows of width BGR pixels, each
// row stride bytes after the previous one (stride >= width * 3).
struct FrameView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// An owned frame, rows packed.
struct VideoFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3 bytes, top row first

  FrameFormat format() const { return FrameFormat{width, height, 24}; }
  FrameView view() const { return FrameView{pixels.data(), width, height, width * 3}; }
  const std::uint8_t* pixel(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) * 3;
  }
};

}  // namespace karone
