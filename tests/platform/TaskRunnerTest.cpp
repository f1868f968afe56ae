#include "platform/TaskRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/doubles/ManualTaskRunner.h"

namespace karone {
namespace {

TEST(TaskRunner, RunAndWaitRunsOnTheOwnersThreadAndReturnsTheResult) {
  ManualTaskRunner runner;
  const auto owner = std::this_thread::get_id();
  std::optional<int> got;
  std::thread worker([&] {
    got = runAndWait<int>(runner, [&] {
      EXPECT_EQ(std::this_thread::get_id(), owner);
      return 42;
    });
  });
  // got is written by the worker only after its task ran here.
  int ran = 0;
  while (ran == 0) ran = runner.runPending();
  worker.join();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, 42);
  // On the owner's thread the function runs at once.
  EXPECT_EQ(runAndWait<int>(runner, [] { return 7; }), 7);
}

TEST(TaskRunner, AWaitingWorkerIsReleasedWhenTheRunnerShutsDown) {
  auto runner = std::make_unique<ManualTaskRunner>();
  std::atomic<bool> returned{false};
  std::optional<int> got = 1;
  std::thread worker([&] {
    got = runAndWait<int>(*runner, [] { return 5; });
    returned = true;
  });
  while (runner->queued() == 0) std::this_thread::yield();
  runner->shutDown();  // the queued question is dropped unanswered
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(got.has_value());
  // Later questions are refused at once.
  std::optional<int> late = 1;
  std::thread again([&] { late = runAndWait<int>(*runner, [] { return 5; }); });
  again.join();
  EXPECT_FALSE(late.has_value());
}

}  // namespace
}  // namespace karone
