#include "platform/VideoFrame.h"

#include <cstring>

namespace karone {

FrameRef CopiedFrame::of(const FrameView& view) {
  const std::size_t row = static_cast<std::size_t>(view.width) * 3;
  if (view.data == nullptr || view.width <= 0 || view.height <= 0 ||
      view.stride < static_cast<int>(row)) {
    return nullptr;
  }
  VideoFrame frame;
  frame.width = view.width;
  frame.height = view.height;
  frame.pixels.resize(row * static_cast<std::size_t>(view.height));
  packRows(view, frame.pixels.data());
  return std::make_shared<CopiedFrame>(std::move(frame));
}

void packRows(const FrameView& view, std::uint8_t* out) {
  const std::size_t row = static_cast<std::size_t>(view.width) * 3;
  for (int y = 0; y < view.height; ++y) {
    std::memcpy(out + row * static_cast<std::size_t>(y),
                view.data + static_cast<std::size_t>(view.stride) * static_cast<std::size_t>(y), row);
  }
}

CopiedFrame::CopiedFrame(VideoFrame frame)
    : SharedFrame(frame.width, frame.height), frame_(std::move(frame)) {}

FrameView CopiedFrame::convert() const { return frame_.view(); }

}  // namespace karone
