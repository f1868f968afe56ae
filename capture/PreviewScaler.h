#pragma once
// Fits a captured frame into the preview's pixels: the frame's blue-green-
// red pixels (3 or 4 bytes each, FrameView::pixelBytes) are turned into 32-bit pixels 0xFFRRGGBB (the layout of a
// 32-bit RGB window image) of the size asked for. Each target pixel is the
// rounded average of four source pixels spread over the block of the frame
// it covers (at a quarter and three quarters of the block's width and
// height): a 2 x 2 block is averaged whole, a larger one sampled as a
// smooth-scaling painter would; enlarging repeats the nearest pixel. Only
// the sampled pixels are read, so the cost follows the preview's size, not
// the frame's.
//
// Keeps its tables while the sizes stay the same. Not thread-safe: one
// object per thread (the preview keeps one on the window thread).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/VideoFrame.h"

namespace karone {

class PreviewScaler {
 public:
  // Writes width x height pixels to target, rows targetStride pixels apart
  // (at least width). Nothing is written when a size is not positive or the
  // frame has no pixels.
  void scale(const FrameView& frame, std::uint32_t* target, int width, int height,
             std::size_t targetStride);

 private:
  // For each target column (or row), the two source columns (or rows)
  // sampled.
  static void samples(int source, int target, std::vector<int>& first, std::vector<int>& second);

  int sourceWidth_ = 0, sourceHeight_ = 0, pixelBytes_ = 0, width_ = 0, height_ = 0;
  std::vector<int> firstColumn_, secondColumn_;  // byte offsets in a row
  std::vector<int> firstRow_, secondRow_;
};

}  // namespace karone
