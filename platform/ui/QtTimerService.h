#pragma once
// Timers of the window logic on the Qt event loop. Periods up to a second
// (the frame timers, the button captions, the exit polling, the schedule
// monitor) run as precise timers, so a 142 ms motion timer ticks every
// 142 ms rather than anywhere within 5 % of it; longer ones (the reconnect
// countdown's minute) may be coalesced with other wake-ups.
//
// Threads: the thread that creates the timers, which must run a Qt event
// loop (the window thread).
#include "platform/Timers.h"

namespace karone {

class QtTimerService final : public TimerService {
 public:
  // Periods up to this many milliseconds run as precise timers.
  static constexpr std::int64_t kPreciseUpToMillis = 1000;

  std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;
};

}  // namespace karone
