#pragma once
// Timers on a fake clock: advance(ms) moves the clock forward and runs every
// tick that falls due on the way, in time order (ties in the order the
// timers were started), setting the clock to each tick's instant first. A
// tick may start, stop or create timers; a timer started inside a tick
// counts from that tick's instant. Optionally, the tasks of a manual task
// runner are run after every tick, as a real event loop would.
//
// Owner's thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Timers.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/ManualTaskRunner.h"

namespace karone {

class FakeTimerQueue final : public TimerService {
 public:
  explicit FakeTimerQueue(FakeClock& clock, ManualTaskRunner* runner = nullptr);
  ~FakeTimerQueue() override;

  std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;

  // Runs due ticks while moving the clock forward by ms (and the runner's
  // tasks after each tick and at the end).
  void advance(std::int64_t ms);
  void advanceSeconds(std::int64_t s) { advance(s * 1000); }
  // Milliseconds on the queue's own time line since it was made.
  std::int64_t elapsedMillis() const { return now_; }
  // Timers currently running.
  int activeCount() const;
  // Milliseconds until the next due tick; -1 when none runs.
  std::int64_t nextDueIn() const;

 private:
  class FakeTimer;
  struct Entry {
    FakeTimer* timer;
    std::int64_t due = 0;
    std::uint64_t order = 0;
  };
  void schedule(FakeTimer* timer, std::int64_t delay);
  void unschedule(FakeTimer* timer);
  void forget(FakeTimer* timer);
  void runTasks();

  FakeClock& clock_;
  ManualTaskRunner* runner_;
  std::int64_t now_ = 0;
  std::uint64_t nextOrder_ = 0;
  std::vector<FakeTimer*> timers_;
};

}  // namespace karone
