// The GStreamer backend with its real test-pattern device. Pipelines are
// short-lived and every wait for frames is bounded.
#include "platform/gstreamer/GstVideoCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>

#include "platform/FrameGrabber.h"
#include "platform/gstreamer/GstVideoDevice.h"
#include "tests/support/ProcessResources.h"

namespace karone {
namespace {

using namespace std::chrono_literals;

constexpr auto kFrameWait = 10s;  // generous for loaded machines; normally milliseconds

GstCaptureOptions smallDeterministic(int fps = 60) {
  GstCaptureOptions options;
  options.testPattern = {160, 120, fps, true};
  options.listCameras = false;
  return options;
}

std::unique_ptr<VideoDevice> openTestPattern(GstVideoCapture& system) {
  auto names = system.listDevices();
  if (!names || names->empty() || names->front() != kTestPatternDeviceName) {
    return nullptr;
  }
  return system.openDevice(0);
}

bool isBlack(const VideoFrame& frame) {
  return std::all_of(frame.pixels.begin(), frame.pixels.end(), [](auto b) { return b == 0; });
}

double meanByte(const VideoFrame& frame) {
  double sum = 0;
  for (auto b : frame.pixels) sum += b;
  return frame.pixels.empty() ? 0 : sum / static_cast<double>(frame.pixels.size());
}

// A deterministic test-pattern frame is one row repeated; a frame stitched
// from two frames is not.
bool rowsAgree(const VideoFrame& frame) {
  const std::size_t row = static_cast<std::size_t>(frame.width) * 3;
  for (int y = 1; y < frame.height; ++y) {
    if (std::memcmp(frame.pixels.data(), frame.pixels.data() + row * static_cast<std::size_t>(y), row) != 0) {
      return false;
    }
  }
  return true;
}

// The colour bars run white, yellow, cyan, green... In blue-green-red order
// yellow is (0, high, high) and cyan (high, high, 0); with red and blue
// swapped the bar after "yellow" would be green.
bool yellowIsFollowedByCyan(const VideoFrame& frame) {
  auto at = [&](int x) { return frame.pixel(((x % frame.width) + frame.width) % frame.width, 0); };
  auto yellow = [](const std::uint8_t* p) { return p[0] < 60 && p[1] > 140 && p[2] > 140; };
  auto cyan = [](const std::uint8_t* p) { return p[0] > 140 && p[1] > 140 && p[2] < 60; };
  for (int x = 0; x < frame.width; ++x) {
    if (yellow(at(x)) && !yellow(at(x + 1))) return cyan(at(x + 4));  // past a soft edge
  }
  return false;
}

class CountingPreview final : public PreviewSink {
 public:
  void presentFrame(const FrameRef& frame) override {
    std::lock_guard lock(mutex);
    ++frames;
    width = frame->width();
  }
  std::mutex mutex;
  int frames = 0;
  int width = 0;
};

TEST(GstVideoCapture, ListsTheTestPatternFirstAndBindsOnlyListedPositions) {
  GstVideoCapture system;
  auto names = system.listDevices();
  ASSERT_TRUE(names);
  ASSERT_FALSE(names->empty());
  EXPECT_EQ(names->front(), kTestPatternDeviceName);
  EXPECT_TRUE(system.openDevice(0));
  EXPECT_FALSE(system.openDevice(-1));
  EXPECT_FALSE(system.openDevice(static_cast<int>(names->size())));
}

TEST(GstVideoCapture, DeliversBgrFramesOfTheNativeSize) {
  struct Row {
    TestPatternOptions pattern;
  };
  const Row rows[] = {
      {{640, 480, 30, false}},  // the default, with the time of day drawn in
      {{176, 144, 60, true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.pattern.width) + "x" + std::to_string(row.pattern.height));
    GstCaptureOptions options;
    options.testPattern = row.pattern;
    options.listCameras = false;
    GstVideoCapture system(options);
    auto device = openTestPattern(system);
    ASSERT_TRUE(device);
    FrameGrabber grabber;
    CountingPreview preview;
    int badViews = 0;
    auto onFrame = [&](const FrameRef& frame) {
      const FrameView view = frame->bgr();
      if (view.data == nullptr || view.stride < view.width * 3) ++badViews;
      grabber.deliver(frame);
    };
    ASSERT_EQ(device->start(onFrame, &preview), StartResult::Started) << device->lastError();
    EXPECT_TRUE(device->running());
    auto format = device->format();
    ASSERT_TRUE(format);
    EXPECT_EQ(*format, (FrameFormat{row.pattern.width, row.pattern.height, 24}));
    grabber.allocate(*format);
    grabber.setEnabled(true);
    ASSERT_TRUE(grabber.waitForFrames(2, kFrameWait));
    VideoFrame frame;
    ASSERT_TRUE(grabber.copyLatest(frame));
    EXPECT_EQ(frame.pixels.size(), static_cast<std::size_t>(row.pattern.width * row.pattern.height * 3));
    EXPECT_FALSE(isBlack(frame));
    if (row.pattern.deterministic) {
      EXPECT_TRUE(yellowIsFollowedByCyan(frame));
    }
    device->stop();
    EXPECT_FALSE(device->running());
    EXPECT_FALSE(device->format());
    EXPECT_EQ(badViews, 0);
    std::lock_guard lock(preview.mutex);
    EXPECT_GE(preview.frames, 2);
    EXPECT_EQ(preview.width, row.pattern.width);
  }
}

TEST(GstVideoCapture, AFrameAskedForBeforeTheFirstSampleIsBlack) {
  GstVideoCapture system(smallDeterministic());
  auto device = openTestPattern(system);
  ASSERT_TRUE(device);
  FrameGrabber grabber;
  // Holds the streaming thread before it hands its first frame over.
  std::mutex mutex;
  std::condition_variable opened;
  bool gateOpen = false;
  auto openGate = [&] {
    {
      std::lock_guard lock(mutex);
      gateOpen = true;
    }
    opened.notify_all();
  };
  // Opens the gate however the test ends, before the device stops.
  struct Opener {
    std::function<void()> open;
    ~Opener() { open(); }
  } opener{openGate};
  auto onFrame = [&](const FrameRef& frame) {
    {
      std::unique_lock lock(mutex);
      opened.wait(lock, [&] { return gateOpen; });
    }
    grabber.deliver(frame);
  };
  ASSERT_EQ(device->start(onFrame, nullptr), StartResult::Started) << device->lastError();
  grabber.allocate(*device->format());
  grabber.setEnabled(true);
  VideoFrame frame;
  ASSERT_TRUE(grabber.copyLatest(frame));
  EXPECT_EQ(frame.format(), (FrameFormat{160, 120, 24}));
  EXPECT_TRUE(isBlack(frame));
  openGate();
  ASSERT_TRUE(grabber.waitForFrames(1, kFrameWait));
  grabber.copyLatest(frame);
  EXPECT_FALSE(isBlack(frame));
  device->stop();
}

TEST(GstVideoCapture, AConcurrentReaderNeverGetsATornFrameAndThePictureMoves) {
  GstVideoCapture system(smallDeterministic(120));
  auto device = openTestPattern(system);
  ASSERT_TRUE(device);
  FrameGrabber grabber;
  ASSERT_EQ(device->start([&](const FrameRef& f) { grabber.deliver(f); }, nullptr), StartResult::Started);
  grabber.allocate(*device->format());
  grabber.setEnabled(true);
  ASSERT_TRUE(grabber.waitForFrames(1, kFrameWait));

  int reads = 0;
  int torn = 0;
  std::set<std::vector<std::uint8_t>> firstRows;
  VideoFrame frame;
  const auto deadline = std::chrono::steady_clock::now() + kFrameWait;
  while (grabber.framesKept() < 40 && std::chrono::steady_clock::now() < deadline) {
    grabber.copyLatest(frame);
    ++reads;
    if (!rowsAgree(frame)) ++torn;
    if (firstRows.size() < 8) firstRows.emplace(frame.pixels.begin(), frame.pixels.begin() + frame.width * 3);
  }
  device->stop();
  EXPECT_GE(grabber.framesKept(), 40u);
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_GE(firstRows.size(), 2u) << "the test pattern does not move";
}

TEST(GstVideoCapture, HundredStartsAndStopsLeaveNoDescriptorOrThreadBehind) {
  GstVideoCapture system(smallDeterministic(120));
  auto cycle = [&] {
    auto device = openTestPattern(system);
    if (!device) return false;
    FrameGrabber grabber;
    if (device->start([&](const FrameRef& f) { grabber.deliver(f); }, nullptr) != StartResult::Started) {
      return false;
    }
    grabber.allocate(*device->format());
    grabber.setEnabled(true);
    const bool gotFrame = grabber.waitForFrames(1, kFrameWait);
    device->stop();
    return gotFrame;
  };
  ASSERT_TRUE(cycle());  // GStreamer's own one-time set-up
  const int fds = testing::settledDescriptorCount(200ms, 5s);
  const int threads = testing::threadCount();
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(cycle()) << "cycle " << i;
  }
  EXPECT_LE(testing::descriptorCountSettlingTo(fds, 5s), fds);
  // GStreamer may keep a few idle pool threads; they must not pile up.
  EXPECT_LE(testing::threadCountSettlingTo(threads + 2, 5s), threads + 2);
}

TEST(GstVideoCapture, ListingTheCamerasLeavesNoDescriptorBehind) {
  GstCaptureOptions options;
  options.listCameras = true;
  GstVideoCapture system(options);
  ASSERT_TRUE(system.listDevices());
  const int fds = testing::settledDescriptorCount(200ms, 5s);
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(system.listDevices());
  EXPECT_LE(testing::descriptorCountSettlingTo(fds, 5s), fds);
}

TEST(GstVideoCapture, TheTestPatternOffersBrightnessAndContrastThroughVideoBalance) {
  GstVideoCapture system(smallDeterministic());
  auto device = openTestPattern(system);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->procAmp(), nullptr);  // not running yet
  FrameGrabber grabber;
  ASSERT_EQ(device->start([&](const FrameRef& f) { grabber.deliver(f); }, nullptr), StartResult::Started);
  grabber.allocate(*device->format());
  grabber.setEnabled(true);
  VideoProcAmp* amp = device->procAmp();
  ASSERT_NE(amp, nullptr);
  for (auto property : {VideoProperty::Brightness, VideoProperty::Contrast}) {
    EXPECT_EQ(amp->range(property), (PropertyRange{-1000, 1000, 1, 0}));
    EXPECT_EQ(amp->get(property), 0);
    EXPECT_FALSE(amp->set(property, 1001));
    EXPECT_FALSE(amp->set(property, -1001));
    EXPECT_EQ(amp->get(property), 0);
  }

  ASSERT_TRUE(grabber.waitForFrames(2, kFrameWait));
  VideoFrame before;
  grabber.copyLatest(before);
  EXPECT_TRUE(amp->set(VideoProperty::Brightness, 600));
  EXPECT_EQ(amp->get(VideoProperty::Brightness), 600);
  // Frames already under way may still carry the old brightness.
  ASSERT_TRUE(grabber.waitForFrames(grabber.framesKept() + 4, kFrameWait));
  VideoFrame after;
  grabber.copyLatest(after);
  EXPECT_GT(meanByte(after), meanByte(before) + 40);
  device->stop();
  EXPECT_EQ(device->procAmp(), nullptr);
}

TEST(GstVideoCapture, TheTestPatternHasNoInputSelector) {
  GstVideoCapture system(smallDeterministic());
  auto device = openTestPattern(system);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->crossbar().status, CrossbarInfo::Status::Absent);
  EXPECT_FALSE(device->route(0, 0));
}

TEST(GstVideoCapture, AMissingCameraFailsToStartWithAReason) {
  GstSource source;
  source.kind = GstSource::Kind::V4l2;
  source.devicePath = "/nonexistent/video7";
  source.modes = {{CameraEncoding::Raw, "YUY2", 640, 480, {{30, 1}}}};
  source.startTimeout = 2s;
  GstVideoDevice device(source);
  EXPECT_EQ(device.start([](const FrameRef&) {}, nullptr), StartResult::Failed);
  EXPECT_FALSE(device.running());
  EXPECT_FALSE(device.lastError().empty());
  EXPECT_EQ(device.crossbar().status, CrossbarInfo::Status::Failed);
  EXPECT_FALSE(device.route(0, 1));
}

}  // namespace
}  // namespace karone
