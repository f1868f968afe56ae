// What keeping the running number durable costs per strip: one reserve()
// before every strip is published, on the real settings file (every
// durable write replaces the file atomically and syncs it to disk), for
// several block sizes. Block 1 is a durable write for every strip.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "app/RunningNumberKeeper.h"
#include "app/SettingsStore.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"

namespace karone {
namespace {

class QuietPrompter final : public Prompter {
 public:
  PromptAnswer ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
    return PromptAnswer::Ok;
  }
};

void BM_ReservePerStrip(benchmark::State& state) {
  std::string dir = std::filesystem::temp_directory_path() / "karone-bench-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  FileSettingsStorage storage(dir + "/Encoder.conf");
  QuietPrompter prompter;
  SettingsStore settings(storage, prompter);
  settings.EnsureDefaults();  // a settings file of the usual size
  RunningNumberKeeper keeper(storage);
  keeper.setBlockSize(static_cast<std::uint32_t>(state.range(0)));
  std::uint32_t number = 0;
  for (auto _ : state) {
    if (!keeper.reserve(number++)) {
      state.SkipWithError("reserve failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["writes_per_strip"] =
      benchmark::Counter(static_cast<double>(keeper.writes()) / static_cast<double>(number));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReservePerStrip)->Arg(1)->Arg(8)->Arg(32)->Arg(128)->UseRealTime();

}  // namespace
}  // namespace karone
