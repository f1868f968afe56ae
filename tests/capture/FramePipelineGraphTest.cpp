// The frame pipeline on the capture graph: over the scripted device double
// and over the real GStreamer test-pattern device.
#include <gtest/gtest.h>

#include "capture/CaptureGraph.h"
#include "capture/CaptureGraphFrameSource.h"
#include "capture/FramePipeline.h"
#include "platform/ConnectorType.h"
#include "tests/doubles/ScriptedVideoCapture.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "tests/capture/JpegTestSupport.h"
#include "tests/capture/RecordingPipelineHost.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

using testing::RecordingPipelineHost;

FramePipeline::Options inFolder(const std::string& folder, const std::string& lastDevice = "") {
  FramePipeline::Options options;
  options.bufferFolder = folder;
  options.lastDeviceName = lastDevice;
  return options;
}

TEST(FramePipelineOnGraph, RoutesTheChosenInputOfTheCrossbar) {
  ScriptedVideoCapture system;
  ScriptedDevice camera;
  camera.name = kTestPatternDeviceName;
  camera.crossbarInputs = {connector::kComposite, connector::kSVideo, connector::kTuner};
  camera.crossbarOutputs = {connector::kVideoDecoder, connector::kAudioDecoder};
  system.addDevice(camera);
  CaptureGraph graph(system);
  CaptureGraphFrameSource source(graph);
  ManualTaskRunner runner;
  RecordingPipelineHost host;
  RecordingPrompter prompter;
  FakeClock clock;
  FakeTimerQueue timers(clock);
  karone::testing::TempDir dir;
  FramePipeline pipeline(source, runner, host.host(), prompter, clock, timers,
                         inFolder(dir.path()));
  ASSERT_EQ(pipeline.deviceIndex(), 0);
  pipeline.setVideoSource(connector::kSVideo);
  ASSERT_EQ(pipeline.EnableDevice(), 0);
  EXPECT_EQ(system.routes(), (std::vector<std::pair<int, int>>{{0, 1}}));
  pipeline.disableDevice();
  EXPECT_FALSE(pipeline.graphRunning());
}

TEST(FramePipelineOnGraph, DeviceDoubleFramesAreScaledIntoTheStrip) {
  ScriptedVideoCapture system;
  ScriptedDevice camera;
  camera.name = "USB Camera";
  camera.width = 640;
  camera.height = 480;
  system.addDevice(camera);
  CaptureGraph graph(system);
  CaptureGraphFrameSource source(graph);
  ManualTaskRunner runner;
  RecordingPipelineHost host;
  RecordingPrompter prompter;
  FakeClock clock;
  FakeTimerQueue timers(clock);
  karone::testing::TempDir dir;
  FramePipeline pipeline(source, runner, host.host(), prompter, clock, timers,
                         inFolder(dir.path(), "USB Camera"));
  ASSERT_EQ(pipeline.EnableDevice(), 0);
  pipeline.AllocateSlots(6);
  ASSERT_TRUE(pipeline.StartCapture(false, {}));
  for (int i = 1; i <= 6; ++i) {
    ASSERT_TRUE(system.produceFrame(static_cast<std::uint8_t>(30 * i), 0, 0));
    pipeline.motionTick();
  }
  ASSERT_TRUE(runner.runUntil([&] { return !host.pictures().empty(); }));
  const auto jpeg = testing::decodeJpeg(testing::readFile(host.pictures()[0].jpegPath));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  ASSERT_EQ(jpeg.width, 1920);
  ASSERT_EQ(jpeg.height, 240);
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(jpeg.at(i * 320 + 160, 120)[2], 30 * (i + 1), 6) << "frame " << i + 1;
}

TEST(FramePipelineOnGraph, TestPatternDeviceGivesAStripOfSixDifferentFrames) {
  EXPECT_EQ(FramePipeline::builtInPreferredDevices(),
            std::vector<std::string>{kTestPatternDeviceName});
  GstCaptureOptions options;
  options.listCameras = false;
  options.testPattern.deterministic = true;
  GstVideoCapture system(options);
  CaptureGraph graph(system);
  CaptureGraphFrameSource source(graph);
  ManualTaskRunner runner;
  RecordingPipelineHost host;
  RecordingPrompter prompter;
  FakeClock clock;
  FakeTimerQueue timers(clock);
  karone::testing::TempDir dir;
  FramePipeline pipeline(source, runner, host.host(), prompter, clock, timers,
                         inFolder(dir.path()));
  ASSERT_EQ(pipeline.deviceIndex(), 0);
  ASSERT_EQ(pipeline.EnableDevice(), 0) << graph.lastError();
  pipeline.AllocateSlots(6);
  ASSERT_TRUE(pipeline.StartCapture(false, {}));
  for (int i = 1; i <= 6; ++i) {
    // A new frame for every tick: the pattern moves from frame to frame.
    ASSERT_TRUE(graph.waitForFrames(static_cast<std::uint64_t>(2 * i + 1),
                                    std::chrono::seconds(10)));
    pipeline.motionTick();
  }
  ASSERT_TRUE(runner.runUntil([&] { return !host.pictures().empty(); }));
  const std::string jpegPath = host.pictures()[0].jpegPath;
  EXPECT_EQ(jpegPath, dir.path() + "/motion_img_00000000.jpg");
  const auto jpeg = testing::decodeJpeg(testing::readFile(jpegPath));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 1920);
  EXPECT_EQ(jpeg.height, 240);
  const auto& slots = pipeline.frameSlots();
  ASSERT_EQ(slots.size(), 6u);
  for (size_t i = 1; i < slots.size(); ++i) EXPECT_NE(slots[i - 1], slots[i]) << i;
  pipeline.StopCapture();
  pipeline.disableDevice();
}

}  // namespace
}  // namespace karone
