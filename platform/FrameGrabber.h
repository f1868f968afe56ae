#pragma once
// Keeps the latest frame of a running capture device for a reader that asks
// for it now and then.
//
// deliver() is the frame callback and runs on the device's streaming thread:
// it copies the frame into the buffer that allocate() prepared and never
// allocates. Reader and writer exclude each other strictly: a frame that
// arrives while the reader copies the buffer out is dropped (the streaming
// thread never waits for the reader), and the reader never sees a frame that
// is only partly written. Until the first frame arrives the buffer is black.
//
// allocate(), setEnabled() and copyLatest() are called from the owner's
// thread; the counters and waitForFrames() from any thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/VideoFrame.h"

namespace karone {

class FrameGrabber {
 public:
  // Makes a black buffer of the format's size; frames of another size are
  // dropped from then on. Leaves the grabber disabled.
  void allocate(const FrameFormat& format);
  // Frames are accepted only while enabled.
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_.load(); }

  // The streaming thread's side.
  void deliver(const FrameView& frame);

  // The latest frame (black before the first). False when nothing was
  // allocated.
  bool copyLatest(VideoFrame& out) const;
  std::optional<FrameFormat> format() const;

  // Frames copied into the buffer and frames dropped (reader busy, disabled
  // or of the wrong size).
  std::uint64_t framesCopied() const { return copied_.load(); }
  std::uint64_t framesDropped() const { return dropped_.load(); }
  // Byte length of the last frame delivered while enabled.
  std::size_t sampleLength() const { return sampleLength_.load(); }

  // Time since the last frame was delivered (or since allocate(), before
  // the first), on the steady clock: how long the device has been silent.
  std::chrono::milliseconds silence() const;

  // Waits until at least count frames were copied, at most timeout. For
  // tests and tools that want a real picture rather than the black one.
  bool waitForFrames(std::uint64_t count, std::chrono::milliseconds timeout) const;

 private:
  std::atomic<bool> enabled_{false};
  mutable std::mutex bufferMutex_;  // held by the copier on either side
  FrameFormat format_;
  std::vector<std::uint8_t> buffer_;
  bool allocated_ = false;

  std::atomic<std::uint64_t> copied_{0};
  std::atomic<std::uint64_t> dropped_{0};
  std::atomic<std::size_t> sampleLength_{0};
  std::atomic<std::int64_t> lastArrival_{0};  // steady clock, nanoseconds
  mutable std::mutex countMutex_;
  mutable std::condition_variable countChanged_;
};

}  // namespace karone
