// Network cameras against real servers on 127.0.0.1: GStreamer's RTSP
// server (H.264 and JPEG) and a multipart MJPEG HTTP server, with and
// without basic authentication; and each way a camera can refuse us ends in
// one clear reason within the start time, never a hang.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

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
  ASSERT_EQ(device->start([&](const FrameRef& f) { grabber.deliver(f); }, nullptr),
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
  const auto result = device->start([](const FrameRef&) {}, nullptr);
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

// A camera that takes the connection and never answers holds its start for
// the whole start time, unless the start is called off from another thread
// (the window closes while the camera is being reopened).
TEST(GstNetworkCameraRefusal, AStartWaitingForASilentCameraCanBeCalledOff) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url =
      "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/stream.mjpg";
  auto device = openCamera({"Silent", url, "", ""}, 600s);
  ASSERT_NE(device, nullptr);
  auto started = std::async(std::launch::async, [&] { return device->start([](const FrameRef&) {}, nullptr); });
  device->abandonStart();
  EXPECT_EQ(started.get(), StartResult::Failed);
  EXPECT_EQ(device->lastError(), "the start was called off");
  ::close(listener);
}

}  // namespace
}  // namespace karone
