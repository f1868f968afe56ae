// The image scaler on the device sizes that are shrunk most, against a
// plain copy of the same source bytes (the memory floor). Megapixels are
// source pixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/CameraPicture.h"
#include "platform/CaptureDefaults.h"
#include "capture/ImageScaler.h"

namespace karone::bench {
namespace {

void setRate(benchmark::State& state, int width, int height) {
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_Scale(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const Picture source = cameraPicture(width, height);
  for (auto _ : state) {
    std::optional<Picture> scaled = ImageScaler::Scale(source, kDefaultImageWidth, kDefaultImageHeight);
    benchmark::DoNotOptimize(scaled);
  }
  setRate(state, width, height);
}

void BM_Copy(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const Picture source = cameraPicture(width, height);
  std::vector<std::uint8_t> copy(source.bytes().size());
  for (auto _ : state) {
    std::memcpy(copy.data(), source.bytes().data(), copy.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  setRate(state, width, height);
}

BENCHMARK(BM_Scale)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace karone::bench
