// The capture graph on the real GStreamer backend with its test-pattern
// device, as a machine without a camera runs it.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/CaptureGraph.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "tests/support/ProcessResources.h"

namespace karone {
namespace {

using namespace std::chrono_literals;

TEST(CaptureGraphOnGstreamer, RunsTheTestPatternAtItsNativeSize) {
  GstVideoCapture system;
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  EXPECT_EQ(graph.deviceName(0), kTestPatternDeviceName);
  ASSERT_TRUE(graph.bindDevice(0));
  ASSERT_EQ(graph.buildGraph(nullptr), CaptureGraph::kBuildOk) << graph.lastError();
  EXPECT_EQ(graph.frameSize(), (FrameFormat{640, 480, 24}));
  ASSERT_TRUE(graph.waitForFrames(1, 10s));
  VideoFrame frame;
  ASSERT_TRUE(graph.grabFrame(frame));
  EXPECT_EQ(frame.pixels.size(), 640u * 480u * 3u);
  EXPECT_FALSE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](auto b) { return b == 0; }));

  ASSERT_NE(graph.procAmp(), nullptr);
  EXPECT_EQ(graph.procAmp()->range(VideoProperty::Contrast), (PropertyRange{-1000, 1000, 1, 0}));
  EXPECT_FALSE(graph.hasCrossbar());
  EXPECT_FALSE(graph.RouteVideoInput(2));
  std::vector<int> inputs, outputs;
  EXPECT_EQ(graph.listVideoInputs(0, 400, 400, inputs, outputs), CaptureGraph::kListOk);
  EXPECT_TRUE(inputs.empty());

  graph.teardown();
  EXPECT_FALSE(graph.running());
  EXPECT_FALSE(graph.deviceBound());
  EXPECT_FALSE(graph.grabFrame(frame));
}

TEST(CaptureGraphOnGstreamer, HundredBuildsAndTeardownsLeaveNoDescriptorBehind) {
  GstCaptureOptions options;
  options.testPattern = {160, 120, 120, true};
  options.listCameras = false;  // the device monitor has a test of its own
  GstVideoCapture system(options);
  CaptureGraph graph(system);
  ASSERT_TRUE(graph.enumerateDevices());
  auto cycle = [&] {
    if (!graph.bindDevice(0) || graph.buildGraph(nullptr) != CaptureGraph::kBuildOk) return false;
    const bool gotFrame = graph.waitForFrames(1, 10s);
    graph.teardown();
    return gotFrame && !graph.running() && !graph.deviceBound();
  };
  ASSERT_TRUE(cycle()) << graph.lastError();
  const int before = testing::settledDescriptorCount(200ms, 5s);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(cycle()) << "cycle " << i << ": " << graph.lastError();
  }
  EXPECT_LE(testing::descriptorCountSettlingTo(before, 5s), before);
}

}  // namespace
}  // namespace karone
