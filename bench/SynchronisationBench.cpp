// Costs of the thread and lock wrappers and of one event-log line, which
// the uploader's worker pays for every queued command and every status line.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/threads/CountingSemaphore.h"
#include "ftp/EventLog.h"
#include "ftp/MemoryLogView.h"
#include "platform/threads/Mutex.h"
#include "platform/threads/PlatformThread.h"

namespace {

using namespace karone;

void BM_MutexLockUnlock(benchmark::State& state) {
  Mutex mutex;
  mutex.Create(0);
  for (auto _ : state) {
    mutex.Lock(Mutex::kNoTimeLimit);
    mutex.unlock();
  }
}
BENCHMARK(BM_MutexLockUnlock);

void BM_MutexTimedLockUnlock(benchmark::State& state) {
  Mutex mutex;
  mutex.Create(0);
  for (auto _ : state) {
    mutex.Lock(1000);
    mutex.unlock();
  }
}
BENCHMARK(BM_MutexTimedLockUnlock);

void BM_SemaphoreReleaseWait(benchmark::State& state) {
  CountingSemaphore semaphore;
  semaphore.Create(0);
  for (auto _ : state) {
    semaphore.Release();
    semaphore.Wait();
  }
}
BENCHMARK(BM_SemaphoreReleaseWait);

// One command handed to another thread and answered (a queue round trip).
void BM_SemaphorePingPong(benchmark::State& state) {
  struct Pair {
    CountingSemaphore ping, pong;
    bool stop = false;
  } pair;
  pair.ping.Create(0);
  pair.pong.Create(0);
  auto thread = createWorkerThread();
  thread->Start(
      [](void* argument) {
        auto* p = static_cast<Pair*>(argument);
        for (;;) {
          p->ping.Wait();
          if (p->stop) break;
          p->pong.Release();
        }
      },
      &pair);
  for (auto _ : state) {
    pair.ping.Release();
    pair.pong.Wait();
  }
  pair.stop = true;
  pair.ping.Release();
  thread->Wait();
}
BENCHMARK(BM_SemaphorePingPong)->UseRealTime();

void BM_ThreadStartWait(benchmark::State& state) {
  for (auto _ : state) {
    auto thread = createWorkerThread();
    thread->Start([](void*) {}, nullptr);
    thread->Wait();
  }
}
BENCHMARK(BM_ThreadStartWait)->UseRealTime();

// One status line with a full view (499 lines) and the log file open.
void BM_EventLogLine(benchmark::State& state) {
  char pattern[] = "/tmp/karone-bench-XXXXXX";
  std::string folder = mkdtemp(pattern);
  MemoryLogView view;
  EventLog log(SystemClock::instance(), folder);
  log.setView(&view);
  log.OpenLog();
  std::string message(static_cast<std::size_t>(state.range(0)), 'x');
  for (int i = 0; i < EventLog::kMaxViewLines; ++i) log.Log(message);
  for (auto _ : state) log.Log(message);
  log.CloseLog();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_EventLogLine)->Arg(40)->Arg(1000);

}  // namespace
