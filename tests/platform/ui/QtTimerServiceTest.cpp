// Timers on the Qt event loop: what the window logic relies on, not how
// punctual they are (that is for the benchmarks).
#include "platform/ui/QtTimerService.h"

#include <gtest/gtest.h>

#include "tests/support/ui/UiDriving.h"

namespace karone {
namespace {

using testing::processEventsUntil;

TEST(QtTimerService, ARepeatingTimerTicksOnTheLoopUntilItStopsItself) {
  QtTimerService service;
  int ticks = 0;
  std::unique_ptr<Timer> timer;
  timer = service.createTimer([&] {
    if (++ticks == 3) timer->stop();
  });
  EXPECT_FALSE(timer->active());
  timer->start(0);  // counts as 1 ms
  EXPECT_EQ(timer->periodMillis(), 1);
  EXPECT_TRUE(timer->active());
  EXPECT_EQ(ticks, 0);  // never inside start()
  ASSERT_TRUE(processEventsUntil([&] { return !timer->active(); }));
  EXPECT_EQ(ticks, 3);
}

TEST(QtTimerService, AOneShotTicksOnceAndATimerMayDestroyItselfInItsTick) {
  QtTimerService service;
  int onceTicks = 0;
  auto once = service.createTimer([&] { ++onceTicks; });
  once->startOnce(1);
  ASSERT_TRUE(processEventsUntil([&] { return onceTicks == 1 && !once->active(); }));

  std::unique_ptr<Timer> self;
  bool ticked = false;
  self = service.createTimer([&] {
    ticked = true;
    self.reset();
  });
  self->start(1);
  ASSERT_TRUE(processEventsUntil([&] { return ticked; }));
  EXPECT_EQ(self, nullptr);
  // The one-shot stayed quiet meanwhile.
  EXPECT_EQ(onceTicks, 1);
}

TEST(QtTimerService, DestroyingATimerStopsIt) {
  QtTimerService service;
  int ticks = 0;
  auto doomed = service.createTimer([&] { ++ticks; });
  doomed->start(1);
  doomed.reset();
  bool later = false;
  auto witness = service.createTimer([&] { later = true; });
  witness->startOnce(20);
  ASSERT_TRUE(processEventsUntil([&] { return later; }));
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace karone
