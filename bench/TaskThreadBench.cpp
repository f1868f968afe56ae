// What crossing threads costs now that workers take tasks: one task posted
// to a worker and run there, a round trip to the worker and back, and one
// event-log line, which the uploader's worker pays for every status line.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>

#include "ftp/EventLog.h"
#include "ftp/MemoryLogView.h"
#include "platform/threads/TaskThread.h"

namespace {

using namespace karone;

// Tasks posted in a burst of 64, then waited for: the cost of one.
void BM_TaskThreadPostAndRun(benchmark::State& state) {
  TaskThread worker("bench");
  worker.start();
  int ran = 0;
  for (auto _ : state) {
    for (int i = 0; i < 64; ++i) worker.post([&ran] { ++ran; });
    worker.waitUntilIdle();
  }
  state.SetItemsProcessed(state.iterations() * 64);
  benchmark::DoNotOptimize(ran);
}
BENCHMARK(BM_TaskThreadPostAndRun)->UseRealTime();

// A task to the worker that posts its answer back to a second thread, the
// path of a command and its notification.
void BM_TaskThreadRoundTrip(benchmark::State& state) {
  TaskThread worker("bench");
  TaskThread back("bench-back");
  worker.start();
  back.start();
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  for (auto _ : state) {
    worker.post([&] {
      back.post([&] {
        std::lock_guard lock(mutex);
        done = true;
        answered.notify_one();
      });
    });
    std::unique_lock lock(mutex);
    answered.wait(lock, [&] { return done; });
    done = false;
  }
}
BENCHMARK(BM_TaskThreadRoundTrip)->UseRealTime();

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
