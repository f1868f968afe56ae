// What the frame pipeline costs on this machine, on the built-in test-pattern
// device at 640 × 480 / 30 fps:
// - CPU time per second of a running preview, alone and with capture at one
//   frame per second (motion mode, 320 × 240 frames, strips of six), as
//   process CPU time (all threads: streaming, writer, main) per wall second;
// - one motion tick on the window thread (grab, scale, ring, composition);
// - one strip from the first grab to its JPEG offered on the window thread
//   (six ticks, BMP, JPEG).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "capture/CaptureGraph.h"
#include "platform/CaptureDefaults.h"
#include "capture/CaptureGraphFrameSource.h"
#include "capture/FramePipeline.h"
#include "platform/PreviewSink.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"

namespace karone {
namespace {

double processCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Copies every frame, as a window painting every frame would have to.
class CopyingPreview final : public PreviewSink {
 public:
  void presentFrame(const FrameRef& shared) override {
    const FrameView frame = shared->bgr();
    if (frame.data == nullptr) return;
    const size_t bytes = static_cast<size_t>(frame.stride) * static_cast<size_t>(frame.height);
    if (copy_.size() < bytes) copy_.resize(bytes);
    std::memcpy(copy_.data(), frame.data, bytes);
  }

 private:
  std::vector<std::uint8_t> copy_;
};

// The test pattern running with a preview, and a pipeline on it whose
// pictures are deleted and, while `confirm` holds, confirmed at once. The
// benchmark's thread is the owner's and takes the writer's results.
struct Rig {
  explicit Rig(bool deterministic = false) : system(options(deterministic)), graph(system) {
    std::string folder = (std::filesystem::temp_directory_path() / "karone-bench-XXXXXX").string();
    buffer = ::mkdtemp(folder.data()) != nullptr ? folder : "/tmp";
    FramePipeline::Options pipelineOptions;
    pipelineOptions.bufferFolder = buffer;
    PipelineHost host;
    host.onEvent = [this](const PipelineEvent& event) {
      const auto* ready = std::get_if<pipelineevent::PictureReady>(&event);
      if (ready == nullptr) return;
      std::filesystem::remove(ready->jpegPath);
      ++pictures;
      if (confirm) pipeline->ClearUploadFlags();
    };
    pipeline = std::make_unique<FramePipeline>(source, runner, std::move(host), prompter, clock,
                                               timers, pipelineOptions);
    ok = pipeline->EnableDevice() == 0 && graph.waitForFrames(2, std::chrono::seconds(5));
    pipeline->AllocateSlots(kDefaultFramesPerStrip);
  }
  ~Rig() {
    pipeline->StopCapture();
    pipeline.reset();
    graph.teardown();
    std::filesystem::remove_all(buffer);
  }
  static GstCaptureOptions options(bool deterministic) {
    GstCaptureOptions o;
    o.listCameras = false;
    o.testPattern.deterministic = deterministic;
    return o;
  }
  bool start() { return pipeline->StartCapture(false, {}); }
  void waitForPictures(int n) {
    runner.runUntil([&] { return pictures >= n; }, std::chrono::seconds(30));
  }
  void waitForWriter() {
    runner.runUntil([&] { return pipeline->workerIdle(); }, std::chrono::seconds(30));
  }

  GstVideoCapture system;
  CaptureGraph graph;
  CopyingPreview preview;
  CaptureGraphFrameSource source{graph, &preview};
  ManualTaskRunner runner;
  StderrPrompter prompter;
  FakeClock clock;
  FakeTimerQueue timers{clock};
  std::string buffer;
  std::unique_ptr<FramePipeline> pipeline;
  int pictures = 0;
  bool confirm = true;
  bool ok = false;
};

// Runs for a few wall seconds; with capture, ticks once per second.
void runPreview(benchmark::State& state, bool capture) {
  Rig rig;
  if (!rig.ok) {
    state.SkipWithError("the test-pattern device does not run");
    return;
  }
  if (capture && !rig.start()) {
    state.SkipWithError("capture does not start");
    return;
  }
  const int seconds = 12;
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int s = 1; s <= seconds; ++s) {
      // Till the next second the writer's results are taken as they come.
      const auto next = start + std::chrono::seconds(s);
      rig.runner.runUntil([] { return false; },
                          std::chrono::duration_cast<std::chrono::milliseconds>(
                              next - std::chrono::steady_clock::now()));
      if (capture) rig.pipeline->motionTick();
    }
    if (capture) {
      rig.waitForPictures(seconds / kDefaultFramesPerStrip);
      rig.waitForWriter();
    }
    cpu += processCpuSeconds() - cpuStart;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
  state.counters["strips"] = rig.pictures;
}

void BM_PreviewOnly(benchmark::State& state) { runPreview(state, false); }
void BM_PreviewWithCaptureAt1Fps(benchmark::State& state) { runPreview(state, true); }
BENCHMARK(BM_PreviewOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PreviewWithCaptureAt1Fps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// One motion tick on the window thread: grab 640 × 480, scale to 320 × 240,
// shift into the ring and recompose the 1920 × 240 strip. The writer is kept
// out by leaving every strip unconfirmed after the first.
void BM_MotionTick(benchmark::State& state) {
  Rig rig(true);
  rig.confirm = false;  // no strip after the first
  if (!rig.ok || !rig.start()) {
    state.SkipWithError("the test-pattern device does not run");
    return;
  }
  for (int i = 0; i < kDefaultFramesPerStrip; ++i) rig.pipeline->motionTick();
  rig.waitForPictures(1);
  for (auto _ : state) rig.pipeline->motionTick();
}
BENCHMARK(BM_MotionTick)->Unit(benchmark::kMicrosecond);

// One strip from the first grab to its JPEG offered: six ticks back to back,
// then the writer's BMP, JPEG (the default quality) and the result taken
// on the window thread.
void BM_StripGrabToHandOff(benchmark::State& state) {
  Rig rig(true);
  if (!rig.ok || !rig.start()) {
    state.SkipWithError("the test-pattern device does not run");
    return;
  }
  int strips = 0;
  for (auto _ : state) {
    for (int i = 0; i < kDefaultFramesPerStrip; ++i) rig.pipeline->motionTick();
    rig.waitForPictures(++strips);
    rig.waitForWriter();
  }
}
BENCHMARK(BM_StripGrabToHandOff)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace karone
