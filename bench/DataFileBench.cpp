// Cost of the data file: encoding and decoding a store of realistic size
// (ASCII and Japanese texts), and one automatic save after a change, which
// includes the fsync of the atomic replacement.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "schedule/DataFile.h"
#include "schedule/DataStore.h"

namespace karone {
namespace {

void fill(int n, bool japanese, std::vector<ProfileInfo>& profiles,
          std::vector<ScheduleInfo>& schedules) {
  for (int i = 0; i < n; ++i) {
    ProfileInfo p;
    p.name = (japanese ? "本社カメラ" : "camera") + std::to_string(i);
    p.address = "ftp.example.org";
    p.userId = "user";
    p.password = "secret";
    p.uploadDirectory = japanese ? "/ライブ/映像" : "/live/video";
    profiles.push_back(p);
    ScheduleInfo s;
    s.name = (japanese ? "朝の中継" : "morning") + std::to_string(i);
    s.ftpProfileName = p.name;
    schedules.push_back(s);
  }
}

void BM_WriteDataFile(benchmark::State& state) {
  std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> schedules;
  fill(static_cast<int>(state.range(0)), state.range(1) != 0, profiles, schedules);
  for (auto _ : state) benchmark::DoNotOptimize(DataFile::write(profiles, schedules));
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_WriteDataFile)->Args({100, 0})->Args({100, 1});

void BM_ReadDataFile(benchmark::State& state) {
  std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> schedules;
  fill(static_cast<int>(state.range(0)), state.range(1) != 0, profiles, schedules);
  std::string bytes = DataFile::write(profiles, schedules);
  for (auto _ : state) benchmark::DoNotOptimize(DataFile::read(bytes));
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_ReadDataFile)->Args({100, 0})->Args({100, 1});

void BM_SaveAfterChange(benchmark::State& state) {
  std::string dir = std::filesystem::temp_directory_path() / "karone-bench-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  DataStore store(dir + "/EncData.zrd");
  std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> schedules;
  fill(20, true, profiles, schedules);
  for (const auto& p : profiles) store.addProfile(p);
  store.load();  // binds: every change below is saved
  ProfileInfo changed = profiles[0];
  for (auto _ : state) store.modifyProfile(changed.name, changed);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveAfterChange)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace karone
