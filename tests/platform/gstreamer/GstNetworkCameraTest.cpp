// Network cameras against real servers on 127.0.0.1: GStreamer's RTSP
// server (H.264 and JPEG) and a multipart MJPEG HTTP server, with and
// without basic authentication; and each way a camera can refuse us ends in
// one clear reason within the start time, never a hang.
#include <gtest/gtest.h>

#include "platform/FrameGrabber.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "tests/support/CameraTestServer.h"
#include "tests/support/ChildProcess.h"

namespace karone {
namespace {

using namespace std::chrono_literals;
using Kind = testing::CameraTestServerOptions::Kind;

std::unique_ptr<VideoDevice> openCamera(const NetworkCamera& camera,
                                        std::chrono::milliseconds startTimeout = 10s) {
  GstCaptureOptions options;
  options.listCameras = false;
  options.networkCameras = std::vector<NetworkCamera>{camera};
  options.startTimeout = startTimeout;
  GstVideoCapture system(options);
  auto names = system.listDevices();
  if (!names || names->size() != 2 || names->back() != camera.name) return nullptr;
  return system.openDevice(1);
}

struct Source {
  const char* name;
  Kind kind;
  bool authenticated;
};

class GstNetworkCamera : public ::testing::TestWithParam<Source> {};

TEST_P(GstNetworkCamera, DeliversTheCamerasPicture) {
  const Source& p = GetParam();
  testing::CameraTestServer server(
      {p.kind, p.authenticated ? "viewer" : "", p.authenticated ? "pass word:1" : ""});
  ASSERT_TRUE(server.started()) << server.error();
  auto device = openCamera({"Gate", server.url(), p.authenticated ? "viewer" : "",
                            p.authenticated ? "pass word:1" : ""});
  ASSERT_TRUE(device);
  FrameGrabber grabber;
  ASSERT_EQ(device->start([&](const FrameView& v) { grabber.deliver(v); }, nullptr),
            StartResult::Started)
      << device->lastError();
  ASSERT_TRUE(device->format());
  EXPECT_EQ(*device->format(), (FrameFormat{320, 240, 24}));
  EXPECT_EQ(device->crossbar().status, CrossbarInfo::Status::Absent);
  EXPECT_EQ(device->procAmp(), nullptr);
  grabber.allocate(*device->format());
  grabber.setEnabled(true);
  ASSERT_TRUE(grabber.waitForFrames(3, 10s));
  VideoFrame frame;
  ASSERT_TRUE(grabber.copyLatest(frame));
  // The first bar of the pattern is 75 % grey, the second yellow; never
  // the flat grey of a frame decoded without its key frame.
  const std::uint8_t* grey = frame.pixel(10, 120);
  const std::uint8_t* yellow = frame.pixel(320 / 7 + 15, 120);
  EXPECT_NEAR(grey[0], 191, 30);
  EXPECT_NEAR(grey[2], 191, 30);
  EXPECT_LT(yellow[0], 70);
  EXPECT_GT(yellow[1], 130);
  EXPECT_GT(yellow[2], 130);
  device->stop();
}

INSTANTIATE_TEST_SUITE_P(Sources, GstNetworkCamera,
                         ::testing::Values(Source{"rtsp_h264", Kind::RtspH264, false},
                                           Source{"rtsp_mjpeg_auth", Kind::RtspMjpeg, true},
                                           Source{"http_mjpeg_auth", Kind::HttpMjpeg, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Starts a camera that must fail and returns its reason.
std::string refusal(const NetworkCamera& camera) {
  auto device = openCamera(camera, 8s);
  if (!device) return "not opened";
  const auto result = device->start([](const FrameView&) {}, nullptr);
  EXPECT_EQ(result, StartResult::Failed) << camera.url;
  EXPECT_FALSE(device->running());
  return device->lastError();
}

TEST(GstNetworkCameraRefusal, AWrongPasswordSaysSo) {
  for (Kind kind : {Kind::RtspMjpeg, Kind::HttpMjpeg}) {
    testing::CameraTestServer server({kind, "viewer", "right"});
    ASSERT_TRUE(server.started()) << server.error();
    EXPECT_EQ(refusal({"Gate", server.url(), "viewer", "wrong"}),
              "the camera refused the user name or password")
        << server.url();
  }
}

TEST(GstNetworkCameraRefusal, AnUnknownPathSaysSo) {
  for (Kind kind : {Kind::RtspMjpeg, Kind::HttpMjpeg}) {
    testing::CameraTestServer server({kind});
    ASSERT_TRUE(server.started()) << server.error();
    EXPECT_EQ(refusal({"Gate", server.unknownUrl(), "", ""}),
              "the camera has no stream at this address")
        << server.unknownUrl();
  }
}

TEST(GstNetworkCameraRefusal, ARefusedConnectionSaysSo) {
  const std::string port = std::to_string(testing::freeLocalPort());
  for (const std::string& url :
       {"rtsp://127.0.0.1:" + port + "/stream", "http://127.0.0.1:" + port + "/stream.mjpg"}) {
    const std::string why = refusal({"Gate", url, "", ""});
    EXPECT_EQ(why.rfind("cannot connect to the camera", 0), 0u) << url << ": " << why;
  }
}

}  // namespace
}  // namespace karone
