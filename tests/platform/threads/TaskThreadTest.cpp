#include "platform/threads/TaskThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace karone {
namespace {

TEST(TaskThread, RunsPostedTasksInOrderOnItsOwnThreadAndKnowsWhenItIsIdle) {
  TaskThread worker("test-worker");
  std::vector<int> order;  // written only by the worker
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  std::atomic<bool> onWorker{false};

  ASSERT_TRUE(worker.post([&, open] {
    open.wait();
    onWorker = worker.runsTasksOnCurrentThread();
    order.push_back(1);
    // A follow-up posted by a task keeps the worker busy until it has run.
    worker.post([&] { order.push_back(3); });
  }));
  worker.post([&] { order.push_back(2); });
  EXPECT_FALSE(worker.idle());  // queued before start
  ASSERT_TRUE(worker.start());
  EXPECT_TRUE(worker.start());
  EXPECT_FALSE(worker.runsTasksOnCurrentThread());
  EXPECT_FALSE(worker.idle());  // the first task waits for the gate
  gate.set_value();
  worker.waitUntilIdle();
  EXPECT_TRUE(worker.idle());
  EXPECT_TRUE(onWorker);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(TaskThread, StopFinishesTheTaskInHandDropsTheQueueAndRefusesMore) {
  TaskThread worker("test-worker");
  ASSERT_TRUE(worker.start());
  std::promise<void> running, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> ran{0};
  auto dropped = std::make_shared<int>(0);
  worker.post([&, released] {
    running.set_value();
    released.wait();
    ++ran;
  });
  worker.post([&, dropped] { ++ran; });
  running.get_future().wait();
  std::thread stopper([&] { worker.stop(); });
  // Posts are refused from the moment the stop has taken the queue.
  while (worker.post([] {})) std::this_thread::yield();
  release.set_value();
  stopper.join();
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(dropped.use_count(), 1);  // the queued task was destroyed unrun
  EXPECT_FALSE(worker.post([&] { ++ran; }));
  EXPECT_TRUE(worker.idle());
  worker.waitUntilIdle();  // returns at once once stopped
  EXPECT_FALSE(worker.start());
}

}  // namespace
}  // namespace karone
