// The run controller asks for the next due entry every second and the
// schedule list refreshes every entry's status every second; both walk the
// whole list with local-time conversions.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdlib>
#include <vector>

#include "schedule/ScheduleRules.h"

namespace {

std::vector<karone::ScheduleInfo> makeSchedules(int count, karone::Seconds now) {
  std::vector<karone::ScheduleInfo> list;
  for (int i = 0; i < count; ++i) {
    karone::ScheduleInfo s;
    s.period = i % 3;
    s.start = static_cast<std::int32_t>(now + (i * 7919) % 604800 - 3600);
    s.end = s.start + 1800;
    s.name = "entry" + std::to_string(i);
    list.push_back(s);
  }
  return list;
}

void BM_FindNextDue(benchmark::State& state) {
  ::setenv("TZ", "Asia/Tokyo", 1);
  ::tzset();
  const karone::Seconds now = 1'781'000'000;
  const auto list = makeSchedules(static_cast<int>(state.range(0)), now);
  for (auto _ : state) benchmark::DoNotOptimize(karone::findNextDue(list, now));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindNextDue)->Arg(10)->Arg(100)->Arg(1000);

void BM_OverlapsExisting(benchmark::State& state) {
  ::setenv("TZ", "Asia/Tokyo", 1);
  ::tzset();
  const karone::Seconds now = 1'781'000'000;
  const auto list = makeSchedules(static_cast<int>(state.range(0)), now);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        karone::overlapsExisting(list, now + 40 * 86400, now + 40 * 86400 + 60, 0, ""));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OverlapsExisting)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
