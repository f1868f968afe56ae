#include "capture/CaptureGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "platform/ConnectorType.h"
#include "tests/doubles/ScriptedVideoCapture.h"

namespace karone {
namespace {

using connector::kAudioDecoder;
using connector::kComposite;
using connector::kSVideo;
using connector::kTuner;
using connector::kVideoDecoder;

ScriptedDevice device(const std::string& name, std::function<void(ScriptedDevice&)> tweak = {}) {
  ScriptedDevice d;
  d.name = name;
  if (tweak) tweak(d);
  return d;
}

// Checks the state every failed build and every teardown must leave.
void expectEmpty(const CaptureGraph& graph, const ScriptedVideoCapture& system) {
  EXPECT_FALSE(graph.running());
  EXPECT_FALSE(graph.deviceBound());
  EXPECT_EQ(system.devicesBound(), 0);
  EXPECT_FALSE(system.deviceRunning());
  EXPECT_FALSE(graph.frameSize());
  EXPECT_EQ(graph.procAmp(), nullptr);
}

TEST(CaptureGraph, EnumeratesDevicesInOrderAndRefusesWhenThereAreNone) {
  ScriptedVideoCapture system;
  CaptureGraph graph(system);
  EXPECT_FALSE(graph.enumerateDevices());  // an empty list fails
  EXPECT_EQ(graph.deviceCount(), 0);
  EXPECT_FALSE(graph.deviceName(0));
  EXPECT_FALSE(graph.bindDevice(0));

  system.addDevice(device("First"));
  system.addDevice(device("Second"));
  ASSERT_TRUE(graph.enumerateDevices());
  EXPECT_EQ(graph.deviceCount(), 2);
  EXPECT_EQ(graph.deviceName(1), "Second");
  EXPECT_FALSE(graph.deviceName(2));
  EXPECT_FALSE(graph.deviceName(-1));

  system.setListingFails(true);
  EXPECT_FALSE(graph.enumerateDevices());
  EXPECT_EQ(graph.deviceCount(), 2);  // the list is left as it was
  EXPECT_FALSE(graph.bindDevice(0));  // binding lists the devices again
}

TEST(CaptureGraph, BindsByNameWithoutRegardToCaseAndTheLastDuplicateWins) {
  ScriptedVideoCapture system;
  system.addDevice(device("USB Camera", [](auto& d) { d.width = 160; d.height = 120; }));
  system.addDevice(device("Other"));
  system.addDevice(device("usb camera", [](auto& d) { d.width = 640; d.height = 480; }));
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  for (int index : {0, 2}) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(graph.bindDevice(index));
    ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
    EXPECT_EQ(system.runningDeviceName(), "usb camera");
    EXPECT_EQ(graph.frameSize(), (FrameFormat{640, 480, 24}));
    graph.teardown();
  }
  ASSERT_TRUE(graph.bindDevice(1));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
  EXPECT_EQ(system.runningDeviceName(), "Other");
}

TEST(CaptureGraph, EveryFailedBuildLeavesNoGraphNoDeviceAndNotRunning) {
  struct Row {
    const char* what;
    std::function<void(ScriptedDevice&)> tweak;
    int expected;
  };
  const Row rows[] = {
      {"a working device", {}, CaptureGraph::kBuildOk},
      {"no frame grabber", [](auto& d) { d.grabberMissing = true; }, CaptureGraph::kBuildNoGrabber},
      {"device does not start", [](auto& d) { d.failsToStart = true; }, CaptureGraph::kBuildFailed},
      {"input selector unreadable", [](auto& d) { d.crossbarFails = true; }, CaptureGraph::kBuildFailed},
      {"no frame size", [](auto& d) { d.width = 0; }, CaptureGraph::kBuildFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScriptedVideoCapture system;
    system.addDevice(device("Cam", row.tweak));
    CaptureGraph graph(system);
    ASSERT_TRUE(graph.enumerateDevices());
    ASSERT_TRUE(graph.bindDevice(0));
    EXPECT_EQ(graph.buildGraph(nullptr), row.expected);
    if (row.expected == CaptureGraph::kBuildOk) {
      EXPECT_TRUE(graph.running());
      EXPECT_TRUE(system.deviceRunning());
      EXPECT_TRUE(graph.lastError().empty());
    } else {
      expectEmpty(graph, system);
      EXPECT_FALSE(graph.lastError().empty());
      VideoFrame frame;
      EXPECT_FALSE(graph.grabFrame(frame));
    }
  }
}

TEST(CaptureGraph, BuildWithoutABoundDeviceAndBindingThatFails) {
  ScriptedVideoCapture system;
  system.addDevice(device("Broken", [](auto& d) { d.failsToBind = true; }));
  CaptureGraph graph(system);
  EXPECT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildFailed);
  expectEmpty(graph, system);
  ASSERT_TRUE(graph.enumerateDevices());
  EXPECT_FALSE(graph.bindDevice(0));
  EXPECT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildFailed);
  expectEmpty(graph, system);
}

TEST(CaptureGraph, TeardownIsSafeAtAnyTimeAndTheDeviceCanBeBoundAgain) {
  ScriptedVideoCapture system;
  system.addDevice(device("Cam"));
  CaptureGraph graph(system);
  graph.teardown();  // never built
  ASSERT_TRUE(graph.enumerateDevices());
  ASSERT_TRUE(graph.bindDevice(0));
  graph.teardown();  // bound, not built: releases the device
  expectEmpty(graph, system);
  EXPECT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildFailed);  // teardown released it

  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(graph.bindDevice(0));
    ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
    graph.teardown();
    graph.teardown();
    expectEmpty(graph, system);
  }
  EXPECT_EQ(system.timesBound(), 4);

  // Binding while a graph runs replaces it cleanly.
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
  ASSERT_TRUE(graph.bindDevice(0));
  EXPECT_FALSE(graph.running());
  EXPECT_EQ(system.devicesBound(), 1);
  EXPECT_FALSE(system.deviceRunning());
}

TEST(CaptureGraph, HandsOutBlackUntilTheFirstFrameThenTheLatestOne) {
  ScriptedVideoCapture system;
  system.addDevice(device("Cam", [](auto& d) { d.width = 8; d.height = 6; }));
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);

  VideoFrame frame;
  ASSERT_TRUE(graph.grabFrame(frame));
  EXPECT_EQ(frame.format(), (FrameFormat{8, 6, 24}));
  EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](auto b) { return b == 0; }));

  ASSERT_TRUE(system.produceFrame(10, 20, 30));
  ASSERT_TRUE(system.produceFrame(40, 50, 60));
  EXPECT_TRUE(graph.waitForFrames(2, std::chrono::milliseconds(0)));
  ASSERT_TRUE(graph.grabFrame(frame));
  const std::uint8_t* last = frame.pixel(7, 5);
  EXPECT_EQ(last[0], 40);
  EXPECT_EQ(last[1], 50);
  EXPECT_EQ(last[2], 60);

  graph.teardown();
  EXPECT_FALSE(graph.grabFrame(frame));
  EXPECT_FALSE(system.produceFrame(1, 2, 3));
}

class CountingPreview final : public PreviewSink {
 public:
  void presentFrame(const FrameRef& frame) override {
    ++frames;
    width = frame->width();
  }
  std::atomic<int> frames{0};
  std::atomic<int> width{0};
};

TEST(CaptureGraph, ShowsEveryFrameOnThePreview) {
  ScriptedVideoCapture system;
  system.addDevice(device("Cam"));
  CaptureGraph graph(system);
  CountingPreview preview;
  ASSERT_TRUE(graph.enumerateDevices());
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(&preview), CaptureGraph::kBuildOk);
  system.produceFrame(1, 1, 1);
  system.produceFrame(2, 2, 2);
  EXPECT_EQ(preview.frames, 2);
  EXPECT_EQ(preview.width, 320);
  graph.teardown();
  system.produceFrame(3, 3, 3);
  EXPECT_EQ(preview.frames, 2);
}

ScriptedDevice crossbarDevice() {
  return device("Capture Box", [](auto& d) {
    d.crossbarInputs = {kComposite, kSVideo, kTuner};
    d.crossbarOutputs = {kVideoDecoder, kAudioDecoder};
  });
}

TEST(CaptureGraph, RoutesTheFirstInputOfAConnectorTypeToTheVideoDecoder) {
  ScriptedVideoCapture system;
  system.addDevice(crossbarDevice());
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
  EXPECT_TRUE(graph.hasCrossbar());

  EXPECT_TRUE(graph.RouteVideoInput(kSVideo));
  EXPECT_TRUE(graph.RouteVideoInput(kTuner));
  EXPECT_FALSE(graph.RouteVideoInput(9));  // no such input
  EXPECT_EQ(system.routes(), (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}}));

  std::vector<int> inputs, outputs;
  EXPECT_EQ(graph.listVideoInputs(0, 400, 400, inputs, outputs), CaptureGraph::kListOk);
  EXPECT_EQ(inputs, (std::vector<int>{kComposite, kSVideo, kTuner}));
  EXPECT_EQ(outputs, (std::vector<int>{kVideoDecoder, kAudioDecoder}));
  EXPECT_EQ(graph.listVideoInputs(0, 2, 400, inputs, outputs), CaptureGraph::kListTooManyPins);
  EXPECT_EQ(graph.listVideoInputs(0, 3, 1, inputs, outputs), CaptureGraph::kListTooManyPins);
  EXPECT_TRUE(inputs.empty());
}

TEST(CaptureGraph, RoutingNeedsASelectorWithAVideoDecoderOutput) {
  ScriptedVideoCapture system;
  system.addDevice(device("Plain camera"));
  system.addDevice(device("Audio only", [](auto& d) {
    d.crossbarInputs = {kComposite, kSVideo};
    d.crossbarOutputs = {kAudioDecoder};
  }));
  system.addDevice(device("Stubborn", [](auto& d) {
    d.crossbarInputs = {kComposite, kSVideo};
    d.crossbarOutputs = {kVideoDecoder};
    d.routeFails = true;
  }));
  CaptureGraph graph(system);
  EXPECT_FALSE(graph.RouteVideoInput(kComposite));  // nothing bound
  ASSERT_TRUE(graph.enumerateDevices());
  for (int index : {0, 1, 2}) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(graph.bindDevice(index));
    ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
    EXPECT_FALSE(graph.RouteVideoInput(kComposite));
    graph.teardown();
  }
  EXPECT_TRUE(system.routes().empty());

  std::vector<int> inputs{99}, outputs{99};
  EXPECT_EQ(graph.listVideoInputs(0, 400, 400, inputs, outputs), CaptureGraph::kListOk);
  EXPECT_TRUE(inputs.empty());
  EXPECT_TRUE(outputs.empty());
}

TEST(CaptureGraph, ListsInputsOfADeviceWithoutDisturbingTheGraph) {
  ScriptedVideoCapture system;
  system.addDevice(device("Plain camera"));
  system.addDevice(crossbarDevice());
  system.addDevice(device("Gone", [](auto& d) { d.failsToBind = true; }));
  system.addDevice(device("Mute", [](auto& d) { d.crossbarFails = true; }));
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);

  std::vector<int> inputs, outputs;
  EXPECT_EQ(graph.listVideoInputs(1, 400, 400, inputs, outputs), CaptureGraph::kListOk);
  EXPECT_EQ(inputs.size(), 3u);
  EXPECT_TRUE(graph.running());
  EXPECT_EQ(system.runningDeviceName(), "Plain camera");
  EXPECT_EQ(system.devicesBound(), 1);  // the probe is released again

  EXPECT_EQ(graph.listVideoInputs(2, 400, 400, inputs, outputs), CaptureGraph::kListFailed);
  EXPECT_EQ(graph.listVideoInputs(7, 400, 400, inputs, outputs), CaptureGraph::kListFailed);
  // A selector that cannot be read counts as none.
  EXPECT_EQ(graph.listVideoInputs(3, 400, 400, inputs, outputs), CaptureGraph::kListOk);
  EXPECT_TRUE(inputs.empty());
  system.setListingFails(true);
  EXPECT_EQ(graph.listVideoInputs(1, 400, 400, inputs, outputs), CaptureGraph::kListFailed);
}

TEST(CaptureGraph, OffersBrightnessAndContrastOnlyWhenTheDeviceHasThem) {
  ScriptedVideoCapture system;
  system.addDevice(device("With", [](auto& d) { d.brightnessRange = {-50, 50, 5, 10}; }));
  system.addDevice(device("Without", [](auto& d) { d.hasProcAmp = false; }));
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());

  ASSERT_TRUE(graph.bindDevice(0));
  EXPECT_EQ(graph.procAmp(), nullptr);  // bound, not running
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
  VideoProcAmp* amp = graph.procAmp();
  ASSERT_NE(amp, nullptr);
  EXPECT_EQ(amp->range(VideoProperty::Brightness), (PropertyRange{-50, 50, 5, 10}));
  EXPECT_EQ(amp->get(VideoProperty::Brightness), 10);
  EXPECT_TRUE(amp->set(VideoProperty::Brightness, -20));
  EXPECT_FALSE(amp->set(VideoProperty::Brightness, 51));
  EXPECT_TRUE(amp->set(VideoProperty::Contrast, 150));
  EXPECT_EQ(system.propertyValue(VideoProperty::Brightness), -20);
  EXPECT_EQ(system.propertyValue(VideoProperty::Contrast), 150);
  graph.teardown();
  EXPECT_EQ(graph.procAmp(), nullptr);

  ASSERT_TRUE(graph.bindDevice(1));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk);
  EXPECT_EQ(graph.procAmp(), nullptr);
}

}  // namespace
}  // namespace karone
