#pragma once
// A process-private counting semaphore whose count never exceeds 1024:
// the uploader releases it once per queued command and its worker waits on
// it; the capture pipeline wakes its writer thread with one.
//
// Results mirror the raw system results the callers were written against:
//   Wait()    -> kWaitSignalled (0) when one count was taken,
//                kWaitFailed (0xFFFFFFFF) when the semaphore is empty (never
//                created), or was closed before or while waiting.
//   Release() -> true when the count went up by one; false when it already
//                stood at kMaximumCount or the semaphore is empty or closed.
//                A refused release is not reported anywhere else.
//
// Threads: any thread may Wait and Release. Create belongs to the owner and
// must not race with the other calls; Close may: it wakes every waiter with
// kWaitFailed, so that closing never leaves a thread blocked for good.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace karone {

class CountingSemaphore {
 public:
  static constexpr std::int32_t kMaximumCount = 1024;
  static constexpr std::uint32_t kWaitSignalled = 0;
  static constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;

  CountingSemaphore() = default;
  ~CountingSemaphore() { Close(); }
  CountingSemaphore(const CountingSemaphore&) = delete;
  CountingSemaphore& operator=(const CountingSemaphore&) = delete;

  // Makes the semaphore with the given count (refused, leaving it empty,
  // when outside 0..kMaximumCount). Returns the object itself.
  CountingSemaphore& Create(std::int32_t initialCount);

  // Waits without time limit for a count and takes it.
  std::uint32_t Wait();

  // Adds one to the count and wakes one waiter.
  bool Release();

  // Ends the semaphore; waiters return kWaitFailed, later calls fail.
  void Close();

  std::int32_t initialCount() const { return initialCount_; }
  bool valid() const;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::int32_t count = 0;
    bool closed = false;
  };

  std::int32_t initialCount_ = 0;
  // Shared with every thread inside Wait, so that a waiter woken by Close
  // never touches freed memory.
  std::shared_ptr<State> state_;
};

}  // namespace karone
