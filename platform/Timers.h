#pragma once
// Timers of the window logic: a repeating timer with a period, started and
// stopped by the logic itself (the schedule monitor every second, the exit
// polling every 500 ms, the motion capture timer...), and one-shot delays
// for the steps that wait a moment before they go on (the 500 ms after the
// preview is switched on, the 3 s after a hang-up...). A tick always runs on
// the owner's thread, never inside start() or stop().
//
// Backends: QTimer in the Qt layer; a fake queue on a fake clock in the
// tests, where "advance 90 seconds" runs every due tick in time order.
//
// Threads: the owner's thread only (the thread of the task runner).
#include <cstdint>
#include <functional>
#include <memory>

namespace karone {

class Timer {
 public:
  virtual ~Timer() = default;
  // (Re)starts the timer: the first tick comes one period from now. A
  // period below 1 ms counts as 1 ms.
  virtual void start(std::int64_t periodMillis) = 0;
  // Starts it for one tick only.
  virtual void startOnce(std::int64_t delayMillis) = 0;
  // No further tick; safe when not running and from inside its own tick.
  virtual void stop() = 0;
  virtual bool active() const = 0;
  virtual std::int64_t periodMillis() const = 0;
};

class TimerService {
 public:
  virtual ~TimerService() = default;
  // A stopped timer that calls onTick on each tick. Destroying it stops it.
  virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTick) = 0;
};

}  // namespace karone
