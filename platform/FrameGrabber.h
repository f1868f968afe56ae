#pragma once
// Keeps the newest frame of a running capture device for a reader that asks
// for it now and then: the newest-frame slot.
//
// deliver() is the frame callback and runs on the device's streaming
// thread: it only puts the frame into the slot in place of the one before
// (a shared pointer swapped under a lock that either side holds for no
// more than that), so the streaming thread neither copies nor converts
// pixels and never waits for the reader. copyLatest() takes the frame out
// of the slot and makes the reader's copy in BGR outside the lock; the
// frame it copies is always one whole frame. Until the first frame arrives
// the copy is black.
//
// allocate(), setEnabled(), release() and copyLatest() are called from the
// owner's thread; the counters and waitForFrames() from any thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/VideoFrame.h"

namespace karone {

class FrameGrabber {
 public:
  // Frames of the format's size are kept from then on, others dropped.
  // Leaves the grabber disabled and empty (black).
  void allocate(const FrameFormat& format);
  // Frames are accepted only while enabled.
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_.load(); }
  // Lets go of the kept frame (the device's buffer), as when it stops.
  void release();

  // The streaming thread's side.
  void deliver(const FrameRef& frame);

  // The newest frame in packed BGR (black before the first). False when
  // nothing was allocated.
  bool copyLatest(VideoFrame& out) const;
  std::optional<FrameFormat> format() const;

  // Frames put into the slot and frames dropped (disabled or of the wrong
  // size). A frame that cannot be converted reads as black.
  std::uint64_t framesKept() const { return kept_.load(); }
  std::uint64_t framesDropped() const { return dropped_.load(); }

  // Time since the last frame was delivered (or since allocate(), before
  // the first), on the steady clock: how long the device has been silent.
  std::chrono::milliseconds silence() const;

  // Waits until at least count frames were kept, at most timeout. For
  // tests and tools that want a real picture rather than the black one.
  bool waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const;

 private:
  std::atomic<bool> enabled_{false};
  mutable std::mutex slotMutex_;  // held only to read or swap the fields below
  FrameFormat format_;
  FrameRef latest_;
  bool allocated_ = false;

  std::atomic<std::uint64_t> kept_{0};
  std::atomic<std::uint64_t> dropped_{0};
  std::atomic<std::int64_t> lastArrival_{0};  // steady clock, nanoseconds
  mutable std::mutex countMutex_;
  mutable std::condition_variable countChanged_;
};

}  // namespace karone
