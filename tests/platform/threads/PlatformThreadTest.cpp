#include "platform/threads/PlatformThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/threads/CountingSemaphore.h"

namespace karone {
namespace {

// What a test routine works on: it waits for `go`, records that it ran,
// then signals `done`.
struct Job {
  Job() {
    go.Create(0);
    done.Create(0);
  }
  CountingSemaphore go;
  CountingSemaphore done;
  std::atomic<int> runs{0};
};

void jobRoutine(void* argument) {
  auto* job = static_cast<Job*>(argument);
  job->go.Wait();
  ++job->runs;
  job->done.Release();
}

TEST(PlatformThread, RunsTheRoutineWithItsArgumentOnceAndCanBeWaitedForRepeatedly) {
  Job job;
  auto thread = createWorkerThread();
  EXPECT_EQ(thread->Wait(), WorkerThread::kWaitFailed);  // nothing started yet
  ASSERT_TRUE(thread->Start(jobRoutine, &job));
  EXPECT_FALSE(thread->Start(jobRoutine, &job));  // one run per object
  job.go.Release();
  EXPECT_EQ(thread->Wait(), WorkerThread::kWaitSignalled);
  EXPECT_EQ(thread->Wait(), WorkerThread::kWaitSignalled);
  EXPECT_EQ(job.runs, 1);
}

TEST(PlatformThread, SeveralThreadsMayWaitForTheSameThread) {
  Job job;
  auto thread = createWorkerThread();
  ASSERT_TRUE(thread->Start(jobRoutine, &job));
  std::uint32_t first = 1, second = 1;
  std::thread a([&] { first = thread->Wait(); });
  std::thread b([&] { second = thread->Wait(); });
  job.go.Release();
  a.join();
  b.join();
  EXPECT_EQ(first, WorkerThread::kWaitSignalled);
  EXPECT_EQ(second, WorkerThread::kWaitSignalled);
}

TEST(PlatformThread, DeletingAStartedThreadLeavesItsRoutineRunning) {
  Job job;
  auto thread = createWorkerThread();
  ASSERT_TRUE(thread->Start(jobRoutine, &job));
  thread.reset();  // neither waits nor stops it
  EXPECT_EQ(job.runs, 0);
  job.go.Release();
  EXPECT_EQ(job.done.Wait(), CountingSemaphore::kWaitSignalled);
  EXPECT_EQ(job.runs, 1);
}

TEST(PlatformThread, SetPriorityReturnsThePriorityInForceBeforeEvenWhenRejected) {
  Job job;
  PlatformThread thread;
  EXPECT_EQ(thread.GetPriority(), WorkerThread::kPriorityError);  // not running
  EXPECT_EQ(thread.SetPriority(WorkerThread::kPriorityLowest), WorkerThread::kPriorityError);
  ASSERT_TRUE(thread.Start(jobRoutine, &job));
  EXPECT_NE(thread.threadId(), 0);

  int initial = thread.GetPriority();
  ASSERT_NE(initial, WorkerThread::kPriorityError);
  EXPECT_EQ(thread.SetPriority(12345), initial);  // not a priority level
  EXPECT_EQ(thread.GetPriority(), initial);
  // Lowering is always allowed.
  EXPECT_EQ(thread.SetPriority(WorkerThread::kPriorityIdle), initial);
  EXPECT_EQ(thread.GetPriority(), WorkerThread::kPriorityIdle);
  // Raising may be refused without privileges; the answer is the old value.
  EXPECT_EQ(thread.SetPriority(WorkerThread::kPriorityLowest), WorkerThread::kPriorityIdle);

  job.go.Release();
  thread.Wait();
  EXPECT_EQ(thread.GetPriority(), WorkerThread::kPriorityError);  // finished
}

}  // namespace
}  // namespace karone
