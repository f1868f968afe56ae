#include "platform/FrameGrabber.h"

#include <algorithm>
#include <cstring>

namespace karone {

namespace {
std::int64_t steadyNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void FrameGrabber::allocate(const FrameFormat& format) {
  enabled_.store(false);
  lastArrival_.store(steadyNow());
  std::lock_guard lock(bufferMutex_);
  format_ = format;
  buffer_.assign(format.byteSize(), 0);
  allocated_ = true;
}

void FrameGrabber::setEnabled(bool enabled) { enabled_.store(enabled); }

std::chrono::milliseconds FrameGrabber::silence() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::nanoseconds(steadyNow() - lastArrival_.load()));
}

void FrameGrabber::deliver(const FrameView& frame) {
  lastArrival_.store(steadyNow());
  if (!enabled_.load() || frame.data == nullptr) {
    dropped_.fetch_add(1);
    return;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 3;
  sampleLength_.store(rowBytes * static_cast<std::size_t>(std::max(frame.height, 0)));
  std::unique_lock lock(bufferMutex_, std::try_to_lock);
  if (!lock.owns_lock()) {  // the reader is copying the buffer out
    dropped_.fetch_add(1);
    return;
  }
  if (frame.width != format_.width || frame.height != format_.height ||
      frame.stride < static_cast<int>(rowBytes) || buffer_.size() < format_.byteSize()) {
    dropped_.fetch_add(1);
    return;
  }
  const std::uint8_t* src = frame.data;
  std::uint8_t* dst = buffer_.data();
  if (frame.stride == static_cast<int>(rowBytes)) {
    std::memcpy(dst, src, rowBytes * static_cast<std::size_t>(frame.height));
  } else {
    for (int y = 0; y < frame.height; ++y) {
      std::memcpy(dst, src, rowBytes);
      dst += rowBytes;
      src += frame.stride;
    }
  }
  lock.unlock();
  {
    std::lock_guard countLock(countMutex_);
    copied_.fetch_add(1);
  }
  countChanged_.notify_all();
}

bool FrameGrabber::copyLatest(VideoFrame& out) const {
  std::lock_guard lock(bufferMutex_);
  if (!allocated_) return false;
  out.width = format_.width;
  out.height = format_.height;
  out.pixels.assign(buffer_.begin(), buffer_.end());
  return true;
}

std::optional<FrameFormat> FrameGrabber::format() const {
  std::lock_guard lock(bufferMutex_);
  if (!allocated_) return std::nullopt;
  return format_;
}

bool FrameGrabber::waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(countMutex_);
  return countChanged_.wait_for(lock, timeout, [&] { return copied_.load() >= count; });
}

}  // namespace karone
