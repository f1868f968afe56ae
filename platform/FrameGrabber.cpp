#include "platform/FrameGrabber.h"

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
  FrameRef old;  // let go after the lock is released
  std::lock_guard lock(slotMutex_);
  format_ = format;
  old.swap(latest_);
  allocated_ = true;
}

void FrameGrabber::setEnabled(bool enabled) { enabled_.store(enabled); }

void FrameGrabber::release() {
  FrameRef old;  // let go after the lock is released
  std::lock_guard lock(slotMutex_);
  old.swap(latest_);
}

std::chrono::milliseconds FrameGrabber::silence() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::nanoseconds(steadyNow() - lastArrival_.load()));
}

void FrameGrabber::deliver(const FrameRef& frame) {
  lastArrival_.store(steadyNow());
  if (!enabled_.load() || frame == nullptr) {
    dropped_.fetch_add(1);
    return;
  }
  FrameRef previous = frame;
  {
    std::lock_guard lock(slotMutex_);
    if (frame->width() != format_.width || frame->height() != format_.height) {
      dropped_.fetch_add(1);
      return;
    }
    previous.swap(latest_);
  }
  // `previous` is let go here, outside the lock.
  {
    std::lock_guard countLock(countMutex_);
    kept_.fetch_add(1);
  }
  countChanged_.notify_all();
}

bool FrameGrabber::copyLatest(VideoFrame& out) const {
  FrameRef frame;
  FrameFormat format;
  {
    std::lock_guard lock(slotMutex_);
    if (!allocated_) return false;
    frame = latest_;
    format = format_;
  }
  out.width = format.width;
  out.height = format.height;
  const std::size_t row = static_cast<std::size_t>(format.width) * 3;
  out.pixels.resize(format.byteSize());
  const FrameView view = frame != nullptr ? frame->bgr() : FrameView{};
  if (view.data == nullptr || view.width != format.width || view.height != format.height ||
      view.stride < static_cast<int>(row)) {
    std::memset(out.pixels.data(), 0, out.pixels.size());
    return true;
  }
  packRows(view, out.pixels.data());
  return true;
}

std::optional<FrameFormat> FrameGrabber::format() const {
  std::lock_guard lock(slotMutex_);
  if (!allocated_) return std::nullopt;
  return format_;
}

bool FrameGrabber::waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(countMutex_);
  return countChanged_.wait_for(lock, timeout, [&] { return kept_.load() >= count; });
}

}  // namespace karone
