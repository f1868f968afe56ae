#include "capture/PreviewScaler.h"

namespace karone {

void PreviewScaler::samples(int source, int target, std::vector<int>& first,
                            std::vector<int>& second) {
  first.resize(static_cast<std::size_t>(target));
  second.resize(static_cast<std::size_t>(target));
  for (int i = 0; i < target; ++i) {
    // The block [begin, end) of source columns (or rows) that target
    // column i covers; one column at least.
    const auto begin = static_cast<int>(static_cast<std::int64_t>(i) * source / target);
    const auto end = static_cast<int>(static_cast<std::int64_t>(i + 1) * source / target);
    const int length = end > begin ? end - begin : 1;
    first[static_cast<std::size_t>(i)] = begin + length / 4;
    second[static_cast<std::size_t>(i)] = begin + (3 * length) / 4;
  }
}

void PreviewScaler::scale(const FrameView& frame, std::uint32_t* target, int width, int height,
                          std::size_t targetStride) {
  if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0 || width <= 0 ||
      height <= 0 || target == nullptr || frame.pixelBytes < 3) {
    return;
  }
  if (frame.width != sourceWidth_ || frame.height != sourceHeight_ ||
      frame.pixelBytes != pixelBytes_ || width != width_ || height != height_) {
    sourceWidth_ = frame.width;
    sourceHeight_ = frame.height;
    pixelBytes_ = frame.pixelBytes;
    width_ = width;
    height_ = height;
    samples(frame.width, width, firstColumn_, secondColumn_);
    samples(frame.height, height, firstRow_, secondRow_);
    // Byte offsets of the sampled columns.
    for (auto* columns : {&firstColumn_, &secondColumn_}) {
      for (int& x : *columns) x *= pixelBytes_;
    }
  }
  const auto stride = static_cast<std::size_t>(frame.stride);
  for (int ty = 0; ty < height; ++ty) {
    const std::uint8_t* upper =
        frame.data + static_cast<std::size_t>(firstRow_[static_cast<std::size_t>(ty)]) * stride;
    const std::uint8_t* lower =
        frame.data + static_cast<std::size_t>(secondRow_[static_cast<std::size_t>(ty)]) * stride;
    std::uint32_t* out = target + static_cast<std::size_t>(ty) * targetStride;
    for (int tx = 0; tx < width; ++tx) {
      const std::uint8_t* a = upper + firstColumn_[static_cast<std::size_t>(tx)];
      const std::uint8_t* b = upper + secondColumn_[static_cast<std::size_t>(tx)];
      const std::uint8_t* c = lower + firstColumn_[static_cast<std::size_t>(tx)];
      const std::uint8_t* d = lower + secondColumn_[static_cast<std::size_t>(tx)];
      std::uint32_t pixel = 0xFF000000u;
      for (int channel = 0; channel < 3; ++channel) {
        const std::uint32_t sum = 2u + a[channel] + b[channel] + c[channel] + d[channel];
        pixel |= (sum >> 2) << (8 * channel);  // blue lowest
      }
      out[tx] = pixel;
    }
  }
}

}  // namespace karone
