#include "platform/FrameGrabber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace karone {
namespace {

std::vector<std::uint8_t> uniformFrame(int height, int stride, std::uint8_t value) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(stride) * height, value);
}

bool allBytes(const VideoFrame& frame, std::uint8_t value) {
  return std::all_of(frame.pixels.begin(), frame.pixels.end(),
                     [value](std::uint8_t b) { return b == value; });
}

TEST(FrameGrabber, IsBlackUntilTheFirstFrameAndThenHoldsTheLatest) {
  FrameGrabber grabber;
  VideoFrame frame;
  EXPECT_FALSE(grabber.copyLatest(frame));  // nothing allocated yet

  grabber.allocate({4, 3, 24});
  ASSERT_TRUE(grabber.copyLatest(frame));
  EXPECT_EQ(frame.width, 4);
  EXPECT_EQ(frame.height, 3);
  ASSERT_EQ(frame.pixels.size(), 4u * 3u * 3u);
  EXPECT_TRUE(allBytes(frame, 0));

  auto pixels = uniformFrame(3, 12, 0x55);
  grabber.deliver(CopiedFrame::of({pixels.data(), 4, 3, 12}));  // still disabled
  grabber.copyLatest(frame);
  EXPECT_TRUE(allBytes(frame, 0));
  EXPECT_EQ(grabber.framesDropped(), 1u);

  grabber.setEnabled(true);
  grabber.deliver(CopiedFrame::of({pixels.data(), 4, 3, 12}));
  grabber.copyLatest(frame);
  EXPECT_TRUE(allBytes(frame, 0x55));
  EXPECT_EQ(grabber.framesKept(), 1u);

  // Letting go of the device's frame (as it stops) leaves black.
  grabber.release();
  grabber.copyLatest(frame);
  EXPECT_TRUE(allBytes(frame, 0));
}

TEST(FrameGrabber, PacksPaddedRowsAndDropsFramesOfAnotherSize) {
  FrameGrabber grabber;
  grabber.allocate({2, 2, 24});
  grabber.setEnabled(true);
  // Rows of 6 pixel bytes padded to 8.
  const std::vector<std::uint8_t> padded = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE,
                                            7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
  grabber.deliver(CopiedFrame::of({padded.data(), 2, 2, 8}));
  VideoFrame frame;
  grabber.copyLatest(frame);
  EXPECT_EQ(frame.pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

  auto bigger = uniformFrame(2, 9, 0x77);
  grabber.deliver(CopiedFrame::of({bigger.data(), 3, 2, 9}));
  auto shortStride = uniformFrame(2, 4, 0x77);
  grabber.deliver(CopiedFrame::of({shortStride.data(), 2, 2, 4}));
  grabber.deliver(CopiedFrame::of({nullptr, 2, 2, 6}));
  grabber.copyLatest(frame);
  EXPECT_EQ(frame.pixels[0], 1);  // unchanged
  EXPECT_EQ(grabber.framesKept(), 1u);
  EXPECT_EQ(grabber.framesDropped(), 3u);
}

TEST(FrameGrabber, AReaderNeverSeesATornFrame) {
  // The writer fills whole frames with one value after another; a frame
  // read while half overwritten would hold two values.
  constexpr int kWidth = 160;
  constexpr int kHeight = 120;
  FrameGrabber grabber;
  grabber.allocate({kWidth, kHeight, 24});
  grabber.setEnabled(true);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    std::vector<std::vector<std::uint8_t>> frames;
    for (int v = 1; v <= 4; ++v) frames.push_back(uniformFrame(kHeight, kWidth * 3, static_cast<std::uint8_t>(v)));
    for (int i = 0; i < 3000; ++i) {
      const auto& f = frames[static_cast<std::size_t>(i % 4)];
      grabber.deliver(CopiedFrame::of({f.data(), kWidth, kHeight, kWidth * 3}));
    }
    done = true;
  });
  int reads = 0;
  int torn = 0;
  VideoFrame frame;
  while (!done.load() || reads < 10) {
    grabber.copyLatest(frame);
    ++reads;
    if (!allBytes(frame, frame.pixels.front())) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(grabber.framesKept() + grabber.framesDropped(), 3000u);
}

TEST(FrameGrabber, WaitsForFramesWithATimeLimit) {
  FrameGrabber grabber;
  grabber.allocate({1, 1, 24});
  grabber.setEnabled(true);
  EXPECT_FALSE(grabber.waitForFrames(1, std::chrono::milliseconds(1)));
  const std::uint8_t pixel[3] = {1, 2, 3};
  std::thread writer([&] { grabber.deliver(CopiedFrame::of({pixel, 1, 1, 3})); });
  EXPECT_TRUE(grabber.waitForFrames(1, std::chrono::seconds(10)));
  writer.join();
}

}  // namespace
}  // namespace karone
