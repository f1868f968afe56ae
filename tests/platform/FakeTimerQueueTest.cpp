#include "tests/doubles/FakeTimerQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karone {
namespace {

TEST(FakeTimerQueue, RunsDueTicksInTimeOrderOnTheFakeClock) {
  FakeClock clock(1000);
  FakeTimerQueue timers(clock);
  std::vector<std::string> ticks;
  auto every500 = timers.createTimer([&] { ticks.push_back("a@" + std::to_string(clock.monotonicMillis())); });
  auto every1000 = timers.createTimer([&] { ticks.push_back("b@" + std::to_string(clock.monotonicMillis())); });
  auto once = timers.createTimer([&] { ticks.push_back("once@" + std::to_string(clock.monotonicMillis())); });
  every1000->start(1000);
  every500->start(500);
  once->startOnce(700);
  timers.advance(2000);
  EXPECT_EQ(ticks, (std::vector<std::string>{"a@500", "once@700", "b@1000", "a@1000", "a@1500",
                                             "b@2000", "a@2000"}));
  EXPECT_EQ(clock.now(), 1002);
  EXPECT_FALSE(once->active());
  EXPECT_EQ(timers.activeCount(), 2);
}

TEST(FakeTimerQueue, ATickMayStopRestartOrDestroyTimers) {
  FakeClock clock;
  FakeTimerQueue timers(clock);
  int aTicks = 0;
  int bTicks = 0;
  std::unique_ptr<Timer> b;
  std::unique_ptr<Timer> a = timers.createTimer([&] {
    if (++aTicks == 2) {
      a->stop();
      b->start(100);  // counts from this tick
    }
  });
  b = timers.createTimer([&] {
    if (++bTicks == 3) b.reset();  // destroys itself inside its tick
  });
  a->start(1000);
  timers.advanceSeconds(10);
  EXPECT_EQ(aTicks, 2);
  EXPECT_EQ(bTicks, 3);
  EXPECT_EQ(timers.activeCount(), 0);
}

TEST(FakeTimerQueue, RunsPostedTasksAfterEachTick) {
  FakeClock clock;
  ManualTaskRunner runner;
  FakeTimerQueue timers(clock, &runner);
  std::vector<std::string> order;
  auto t = timers.createTimer([&] {
    order.push_back("tick");
    runner.post([&] { order.push_back("task"); });
  });
  t->start(1000);
  timers.advance(2000);
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "task", "tick", "task"}));
}

}  // namespace
}  // namespace karone
