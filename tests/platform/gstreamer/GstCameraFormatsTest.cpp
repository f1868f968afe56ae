// Cameras as they deliver: the modes read from V4L2-style caps, and the
// pipeline built for each kind of choice, run end to end on a stand-in that
// delivers exactly what such a camera would (raw YUY2, MJPEG from jpegenc,
// H.264 from x264enc) through the same decoding and conversion a camera gets.
#include <gtest/gtest.h>

#include <thread>

#include "platform/FrameGrabber.h"
#include "platform/gstreamer/GstCameraModes.h"
#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/GstVideoDevice.h"

namespace karone {
namespace {

using namespace std::chrono_literals;

TEST(GstCameraModes, ReadsTheModesOfDeviceCaps) {
  ASSERT_TRUE(ensureGstreamer());
  // As a V4L2 webcam reports them: discrete sizes with rate lists, a single
  // rate, a stepwise size range and a codec we cannot use.
  GstCaps* caps = gst_caps_from_string(
      "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
      "framerate=(fraction){ 10/1, 15/2 }; "
      "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, framerate=(fraction)30/1; "
      "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction){ 30/1, 15/1 }; "
      "video/x-h264, stream-format=(string)byte-stream, alignment=(string)au, width=(int)[ 160, 1920 ], "
      "height=(int)[ 120, 1080 ], framerate=(fraction)[ 1/1, 30/1 ]; "
      "video/x-vp8, width=(int)640, height=(int)480, framerate=(fraction)30/1");
  ASSERT_NE(caps, nullptr);
  const auto modes = cameraModesFromCaps(caps, {640, 480, 15});
  gst_caps_unref(caps);
  std::vector<std::string> described;
  for (const CameraMode& m : modes) described.push_back(describeMode(m));
  EXPECT_EQ(described, (std::vector<std::string>{
                           "raw YUY2 1280x720 10, 7.5 fps", "raw YUY2 640x480 30 fps",
                           "MJPEG 1280x720 30, 15 fps", "H.264 1920x1080 30, 1 fps",
                           "H.264 640x480 30, 1 fps", "video/x-vp8 640x480 30 fps"}));
}

struct StandIn {
  const char* name;
  std::string source;  // delivers exactly the camera's mode
  CameraMode mode;
  FrameFormat expected;
  bool dropToNeed = false;  // and frames beyond the 15 fps needed are dropped
};

class GstCameraStandIn : public ::testing::TestWithParam<StandIn> {};

TEST_P(GstCameraStandIn, DecodesConvertsAndScalesTheChosenMode) {
  const StandIn& p = GetParam();
  GstSource source;
  source.kind = GstSource::Kind::StandIn;
  source.standIn = p.source;
  source.modes = {p.mode};
  source.need = {320, 240, 15};
  source.startTimeout = 10s;
  source.dropToNeed = p.dropToNeed;
  // Only frames that stand alone are dropped, and before they are decoded.
  const std::string description = pipelineDescription(source, nullptr);
  const auto pace = description.find("name=pace");
  if (p.dropToNeed && p.mode.encoding != CameraEncoding::H264) {
    ASSERT_NE(pace, std::string::npos);
    EXPECT_LT(pace, std::min(description.find("jpegdec"), description.find("videoconvert")));
  } else {
    EXPECT_EQ(pace, std::string::npos);
  }
  GstVideoDevice device(source);
  FrameGrabber grabber;
  ASSERT_EQ(device.start([&](const FrameRef& f) { grabber.deliver(f); }, nullptr),
            StartResult::Started)
      << device.lastError();
  ASSERT_TRUE(device.format());
  EXPECT_EQ(*device.format(), p.expected);
  grabber.allocate(*device.format());
  grabber.setEnabled(true);
  ASSERT_TRUE(grabber.waitForFrames(2, 10s));
  VideoFrame frame;
  ASSERT_TRUE(grabber.copyLatest(frame));
  // The colour bars come through in blue-green-red order: yellow, then cyan.
  auto px = [&](int x) { return frame.pixel(x, frame.height / 2); };
  int yellowEnd = -1;
  for (int x = 0; x + 1 < frame.width && yellowEnd < 0; ++x) {
    const auto* a = px(x);
    const auto* b = px(x + 1);
    if (a[0] < 70 && a[1] > 130 && a[2] > 130 && !(b[0] < 70 && b[1] > 130 && b[2] > 130))
      yellowEnd = x;
  }
  ASSERT_GE(yellowEnd, 0);
  const auto* cyan = px(std::min(frame.width - 1, yellowEnd + 6));
  EXPECT_TRUE(cyan[0] > 130 && cyan[1] > 130 && cyan[2] < 70);
  device.stop();
}

std::string bars(const std::string& caps) {
  return "videotestsrc is-live=true pattern=smpte75 ! " + caps;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GstCameraStandIn,
    ::testing::Values(
        StandIn{"raw", bars("video/x-raw,format=YUY2,width=320,height=240,framerate=30/1"),
                {CameraEncoding::Raw, "YUY2", 320, 240, {{30, 1}}}, {320, 240, 24}},
        StandIn{"mjpeg_scaled",
                bars("video/x-raw,width=640,height=360,framerate=30/1 ! jpegenc"),
                {CameraEncoding::Mjpeg, "", 640, 360, {{30, 1}}}, {428, 240, 24}},
        StandIn{"mjpeg_dropped_to_need",
                bars("video/x-raw,width=320,height=240,framerate=30/1 ! jpegenc"),
                {CameraEncoding::Mjpeg, "", 320, 240, {{30, 1}}}, {320, 240, 24}, true},
        StandIn{"raw_dropped_to_need", bars("video/x-raw,format=YUY2,width=320,height=240,framerate=30/1"),
                {CameraEncoding::Raw, "YUY2", 320, 240, {{30, 1}}}, {320, 240, 24}, true},
        StandIn{"h264_all_decoded", bars("video/x-raw,width=320,height=240,framerate=30/1 ! "
                                         "x264enc tune=zerolatency speed-preset=ultrafast"),
                {CameraEncoding::H264, "", 320, 240, {{30, 1}}}, {320, 240, 24}, true},
        StandIn{"h264", bars("video/x-raw,width=320,height=240,framerate=30/1 ! "
                             "x264enc tune=zerolatency speed-preset=ultrafast"),
                {CameraEncoding::H264, "", 320, 240, {{30, 1}}}, {320, 240, 24}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GstCameraStandIn, ACameraWithNothingUsableFailsWithAReason) {
  GstSource source;
  source.kind = GstSource::Kind::StandIn;
  source.standIn = bars("video/x-raw,width=320,height=240");
  source.modes = {{CameraEncoding::Other, "video/x-vp8", 320, 240, {{30, 1}}}};
  GstVideoDevice device(source);
  EXPECT_EQ(device.start([](const FrameRef&) {}, nullptr), StartResult::Failed);
  EXPECT_NE(device.lastError().find("no format"), std::string::npos) << device.lastError();
}

// A USB camera unplugged in the middle of a run: its stand-in stops after
// a few frames. The device says why, for the camera watch to act on.
TEST(GstCameraStandIn, ACameraThatStopsMidRunReportsIt) {
  GstSource source;
  source.kind = GstSource::Kind::StandIn;
  source.standIn = "videotestsrc is-live=true num-buffers=5 ! "
                   "video/x-raw,format=YUY2,width=320,height=240,framerate=30/1";
  source.modes = {{CameraEncoding::Raw, "YUY2", 320, 240, {{30, 1}}}};
  source.need = {320, 240, 15};
  GstVideoDevice device(source);
  ASSERT_EQ(device.start([](const FrameRef&) {}, nullptr), StartResult::Started)
      << device.lastError();
  EXPECT_TRUE(device.live());
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (device.runFailure().empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  EXPECT_EQ(device.runFailure(), "the camera's stream ended");
  device.stop();
}

}  // namespace
}  // namespace karone
