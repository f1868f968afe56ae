// What a 1280 × 720 MJPEG camera at 30 fps costs without a preview, side by
// side in one run, as process CPU time (all threads) per wall second:
// - all: the camera's device with every frame decoded and converted;
// - dropped: the same device with the frames beyond the rate needed dropped
//   before decoding (as the programs without a preview run it);
// - reference: decoding only one frame a second (jpegdec) and nothing else.
// The cost of the stand-in camera itself (jpegenc) is measured alone and
// taken off each side. The sides run in turn for several rounds; the
// counters are the medians in percent of a core.
#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/GstVideoDevice.h"

namespace karone {
namespace {

using namespace std::chrono_literals;

double processCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The stand-in camera: a live source encoded by jpegenc at the camera's
// rate. Its own cost is measured alone and taken off.
std::string jpegSource(int framesPerSecond) {
  return "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=1280,height=720,framerate=" +
         std::to_string(framesPerSecond) + "/1 ! jpegenc";
}

// Percent of a core over `span` while the device runs.
double deviceCpu(bool dropToNeed, std::chrono::seconds span) {
  GstSource source;
  source.kind = GstSource::Kind::StandIn;
  source.standIn = jpegSource(30);
  source.modes = {{CameraEncoding::Mjpeg, "", 1280, 720, {{30, 1}}}};
  source.need = {1280, 720, 2};
  source.dropToNeed = dropToNeed;
  GstVideoDevice device(source);
  if (device.start([](const FrameRef&) {}, nullptr) != StartResult::Started) return -1;
  std::this_thread::sleep_for(1s);  // past the start
  const double before = processCpuSeconds();
  std::this_thread::sleep_for(span);
  const double used = processCpuSeconds() - before;
  device.stop();
  return 100.0 * used / static_cast<double>(span.count());
}

double pipelineCpu(const std::string& description, std::chrono::seconds span) {
  GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (pipeline == nullptr) return -1;
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  std::this_thread::sleep_for(1s);
  const double before = processCpuSeconds();
  std::this_thread::sleep_for(span);
  const double used = processCpuSeconds() - before;
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return 100.0 * used / static_cast<double>(span.count());
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void BM_Mjpeg720p30WithoutPreview(benchmark::State& state) {
  if (!ensureGstreamer()) {
    state.SkipWithError("GStreamer is not available");
    return;
  }
  const auto span = std::chrono::seconds(state.range(0));
  std::vector<double> all, dropped, reference;
  for (auto _ : state) {
    for (int round = 0; round < 5; ++round) {
      const double camera = pipelineCpu(jpegSource(30) + " ! fakesink", span);
      all.push_back(deviceCpu(false, span) - camera);
      dropped.push_back(deviceCpu(true, span) - camera);
      reference.push_back(pipelineCpu(jpegSource(1) + " ! jpegdec ! fakesink", span) -
                          pipelineCpu(jpegSource(1) + " ! fakesink", span));
    }
  }
  state.counters["all_pct"] = median(all);
  state.counters["dropped_pct"] = median(dropped);
  state.counters["reference_pct"] = median(reference);
  state.counters["dropped_vs_reference"] = median(dropped) / std::max(median(reference), 1e-9);
}
BENCHMARK(BM_Mjpeg720p30WithoutPreview)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace karone
