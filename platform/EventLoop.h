#pragma once
// A plain event loop for programs and tools without a window toolkit: the
// thread that calls run() is the owner; tasks posted from any thread and the
// ticks of its timers run there, in real time (steady clock), one at a time.
// quit() (any thread) makes run() return after the task or tick in hand.
//
// Threads: post(), quit() and runsTasksOnCurrentThread() from any thread;
// everything else on the owner's thread (the thread that made the loop
// until run() is called).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/TaskRunner.h"
#include "platform/Timers.h"

namespace karone {

class EventLoop final : public TaskRunner, public TimerService {
 public:
  EventLoop();
  ~EventLoop() override;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  bool post(Task task) override;
  bool runsTasksOnCurrentThread() const override;
  std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;

  // Runs tasks and ticks until quit() (returns true) or, when a limit is
  // given, until it passes (returns false). The calling thread becomes the
  // owner.
  bool run(std::chrono::milliseconds limit = std::chrono::milliseconds::max());
  void quit();
  // Refuses further posts and drops what is queued (at the owner's end).
  void shutDown();

 private:
  class LoopTimer;
  using TimePoint = std::chrono::steady_clock::time_point;
  void schedule(LoopTimer* timer, std::int64_t delayMillis, bool once);
  void forget(LoopTimer* timer);
  // Owner's thread: the earliest due timer at or before now, or null.
  LoopTimer* dueTimer(TimePoint now);
  TimePoint nextDue() const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> tasks_;
  std::thread::id owner_;
  bool quit_ = false;
  bool shutDown_ = false;
  std::vector<LoopTimer*> timers_;  // owner's thread only
  std::uint64_t order_ = 0;
};

}  // namespace karone
