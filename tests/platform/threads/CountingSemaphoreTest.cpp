#include "platform/threads/CountingSemaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace karone {
namespace {

TEST(CountingSemaphore, FirstWaitBlocksUntilAnotherThreadReleases) {
  CountingSemaphore semaphore;
  semaphore.Create(0);
  std::atomic<bool> woken{false};
  std::uint32_t result = 1234;
  std::thread waiter([&] {
    result = semaphore.Wait();
    woken = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_FALSE(woken);
  EXPECT_TRUE(semaphore.Release());
  waiter.join();
  EXPECT_EQ(result, CountingSemaphore::kWaitSignalled);
}

TEST(CountingSemaphore, HoldsAtMost1024AndRefusesThe1025thReleaseQuietly) {
  CountingSemaphore semaphore;
  semaphore.Create(0);
  for (int i = 0; i < 1024; ++i) ASSERT_TRUE(semaphore.Release()) << i;
  EXPECT_FALSE(semaphore.Release());
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(semaphore.Wait(), CountingSemaphore::kWaitSignalled);
  EXPECT_TRUE(semaphore.Release());  // room again
  EXPECT_EQ(semaphore.Wait(), CountingSemaphore::kWaitSignalled);
}

TEST(CountingSemaphore, InitialCountMustLieWithinTheBound) {
  struct Row {
    int initial;
    bool valid;
    bool releaseWorks;
  };
  for (Row row : {Row{0, true, true}, Row{1023, true, true}, Row{1024, true, false},
                  Row{1025, false, false}, Row{-1, false, false}}) {
    SCOPED_TRACE(row.initial);
    CountingSemaphore semaphore;
    EXPECT_EQ(semaphore.Create(row.initial).valid(), row.valid);
    EXPECT_EQ(semaphore.initialCount(), row.initial);
    EXPECT_EQ(semaphore.Release(), row.releaseWorks);
    if (!row.valid) {
      EXPECT_EQ(semaphore.Wait(), CountingSemaphore::kWaitFailed);
    }
  }
}

TEST(CountingSemaphore, CountsEveryReleaseFromManyThreads) {
  CountingSemaphore semaphore;
  semaphore.Create(0);
  constexpr int kThreads = 4, kEach = 200;
  std::vector<std::thread> releasers;
  for (int t = 0; t < kThreads; ++t) {
    releasers.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) semaphore.Release();
    });
  }
  int taken = 0;
  for (int i = 0; i < kThreads * kEach; ++i) {
    if (semaphore.Wait() == CountingSemaphore::kWaitSignalled) ++taken;
  }
  for (auto& thread : releasers) thread.join();
  EXPECT_EQ(taken, kThreads * kEach);
}

TEST(CountingSemaphore, CloseWakesAWaiterWithFailure) {
  auto semaphore = std::make_unique<CountingSemaphore>();
  semaphore->Create(0);
  std::uint32_t result = 1234;
  std::atomic<bool> waiting{false};
  std::thread waiter([&, s = semaphore.get()] {
    waiting = true;
    result = s->Wait();
  });
  while (!waiting) std::this_thread::yield();
  semaphore->Close();
  waiter.join();
  EXPECT_EQ(result, CountingSemaphore::kWaitFailed);
  EXPECT_FALSE(semaphore->Release());
  EXPECT_EQ(semaphore->Wait(), CountingSemaphore::kWaitFailed);
}

}  // namespace
}  // namespace karone
