// Costs of frame grabbing and of a running capture graph on the built-in
// test pattern.
#include <benchmark/benchmark.h>

#include <ctime>
#include <thread>

#include "capture/CaptureGraph.h"
#include "platform/FrameGrabber.h"
#include "platform/gstreamer/GstVideoCapture.h"

namespace karone {
namespace {

double processCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One 640 x 480 frame put into the slot by the streaming thread (the
// frame is shared, not copied).
void BM_FrameGrabberDeliver(benchmark::State& state) {
  FrameGrabber grabber;
  grabber.allocate({640, 480, 24});
  grabber.setEnabled(true);
  std::vector<std::uint8_t> pixels(640 * 480 * 3, 0x40);
  const FrameRef frame = CopiedFrame::of({pixels.data(), 640, 480, 640 * 3});
  for (auto _ : state) {
    grabber.deliver(frame);
  }
}
BENCHMARK(BM_FrameGrabberDeliver);

// The reader's copy of the latest 640 x 480 frame.
void BM_FrameGrabberCopyLatest(benchmark::State& state) {
  FrameGrabber grabber;
  grabber.allocate({640, 480, 24});
  VideoFrame frame;
  for (auto _ : state) {
    grabber.copyLatest(frame);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_FrameGrabberCopyLatest);

// CPU time the process spends per second of a running 640 x 480 / 30 fps
// test-pattern graph with its clock drawn in (counter cpu_ms_per_s).
void BM_RunningTestPattern(benchmark::State& state) {
  GstVideoCapture system;
  CaptureGraph graph(system);
  if (!graph.enumerateDevices() || !graph.bindDevice(0) ||
      graph.buildGraph(nullptr) != CaptureGraph::kBuildOk || !graph.waitForFrames(1, std::chrono::seconds(10))) {
    state.SkipWithError("the test pattern does not run");
    return;
  }
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    const double cpu0 = processCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    cpu += processCpuSeconds() - cpu0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
  graph.teardown();
}
BENCHMARK(BM_RunningTestPattern)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Bind, build, first frame, teardown: what switching the preview on and off
// or changing the input costs.
void BM_BuildUntilFirstFrameAndTeardown(benchmark::State& state) {
  GstCaptureOptions options;
  options.listCameras = false;
  GstVideoCapture system(options);
  CaptureGraph graph(system);
  if (!graph.enumerateDevices()) {
    state.SkipWithError("no devices");
    return;
  }
  for (auto _ : state) {
    if (!graph.bindDevice(0) || graph.buildGraph(nullptr) != CaptureGraph::kBuildOk ||
        !graph.waitForFrames(1, std::chrono::seconds(10))) {
      state.SkipWithError("build failed");
      break;
    }
    graph.teardown();
  }
}
BENCHMARK(BM_BuildUntilFirstFrameAndTeardown)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace karone
