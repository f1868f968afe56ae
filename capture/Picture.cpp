#include "capture/Picture.h"

#include <cstring>

namespace karone {

Picture::Picture(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) return;
  width_ = width;
  height_ = height;
  stride_ = strideFor(width);
  bytes_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

Picture Picture::fromTopDown(const std::uint8_t* pixels, int width, int height,
                             std::size_t srcStride) {
  Picture picture(width, height);
  if (picture.empty()) return picture;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    std::memcpy(picture.topRow(y), pixels + static_cast<std::size_t>(y) * srcStride, rowBytes);
  }
  return picture;
}

}  // namespace karone
