#include "platform/EventLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace karone {
namespace {

// Real time, but only a few milliseconds of it: the loop is what the tools
// and the headless program run on.
TEST(EventLoop, RunsPostedTasksAndTimerTicksOnItsThreadUntilQuit) {
  EventLoop loop;
  std::vector<std::string> order;
  int ticks = 0;
  auto timer = loop.createTimer([&] {
    order.push_back("tick");
    if (++ticks == 3) loop.quit();
  });
  auto once = loop.createTimer([&] { order.push_back("once"); });
  timer->start(2);
  once->startOnce(1);
  std::thread poster([&] { loop.post([&] { order.push_back("task"); }); });
  poster.join();
  EXPECT_TRUE(loop.run(std::chrono::seconds(10)));
  ASSERT_EQ(ticks, 3);
  EXPECT_EQ(order.front(), "task");
  EXPECT_EQ(std::count(order.begin(), order.end(), std::string("once")), 1);
  EXPECT_TRUE(loop.runsTasksOnCurrentThread());
}

TEST(EventLoop, AWorkerWaitingForAnAnswerIsReleasedAtShutDown) {
  auto loop = std::make_unique<EventLoop>();
  std::optional<int> answer = 1;
  std::thread worker([&] { answer = runAndWait<int>(*loop, [] { return 2; }); });
  // Answer once, then close while nothing runs the loop.
  EXPECT_FALSE(loop->run(std::chrono::milliseconds(200)));  // no quit: ends at the limit
  worker.join();
  EXPECT_EQ(answer, 2);
  loop->shutDown();
  std::thread late([&] { answer = runAndWait<int>(*loop, [] { return 3; }); });
  late.join();
  EXPECT_FALSE(answer.has_value());
}

}  // namespace
}  // namespace karone
