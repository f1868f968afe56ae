#include "capture/CaptureGraphFrameSource.h"

namespace karone {

std::vector<std::string> CaptureGraphFrameSource::enumerateDevices() {
  std::vector<std::string> names;
  if (!graph_.enumerateDevices()) return names;
  for (int i = 0; i < graph_.deviceCount(); ++i) names.push_back(graph_.deviceName(i).value_or(""));
  return names;
}

bool CaptureGraphFrameSource::frameSize(int& width, int& height, int& bitsPerPixel) const {
  std::optional<FrameFormat> format = graph_.frameSize();
  if (!format) return false;
  width = format->width;
  height = format->height;
  bitsPerPixel = format->bitsPerPixel;
  return true;
}

bool CaptureGraphFrameSource::grabFrame(Picture& frame) {
  if (!graph_.grabFrame(scratch_)) return false;
  frame = Picture::fromTopDown(scratch_.pixels.data(), scratch_.width, scratch_.height,
                               static_cast<std::size_t>(scratch_.width) * 3);
  return !frame.empty();
}

}  // namespace karone
