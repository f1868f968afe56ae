#include "platform/SignalWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include "tests/doubles/ManualTaskRunner.h"

namespace karone {
namespace {

TEST(SignalWatcher, TheFirstSignalBecomesATaskOnTheOwnersThreadAndTheSecondEndsTheProcess) {
  ManualTaskRunner runner;
  std::vector<int> received;
  {
    SignalWatcher watcher(runner, [&](int signal) { received.push_back(signal); }, {SIGUSR1});
    ASSERT_TRUE(watcher.watching());
    std::raise(SIGUSR1);
    // The watcher's thread posts it; nothing runs until the owner drains.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (runner.queued() == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    EXPECT_TRUE(received.empty());
    runner.runPending();
    EXPECT_EQ(received, std::vector<int>{SIGUSR1});
    EXPECT_EXIT(std::raise(SIGUSR1), ::testing::ExitedWithCode(128 + SIGUSR1), "");
  }
  // Gone: the signal's own handler is back (SIGUSR1 ends the process).
  EXPECT_EXIT(std::raise(SIGUSR1), ::testing::KilledBySignal(SIGUSR1), "");
}

}  // namespace
}  // namespace karone
