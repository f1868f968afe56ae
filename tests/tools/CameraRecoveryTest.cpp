// A broadcast whose network camera goes away and comes back, run end to
// end: karone-capture on a camera served by a real server on 127.0.0.1,
// one picture a second; the server is killed (RTSP) or paused (HTTP) after
// the first picture and brought back once the program has said the camera
// is lost. The program must say so, reopen the camera by itself, say how
// long it was gone and go on with the next running number.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/NetworkCameras.h"
#include "platform/SettingsStorage.h"
#include "tests/support/CameraTestServer.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using Kind = testing::CameraTestServerOptions::Kind;

// Waits (bounded) until the log holds `needle`.
bool waitFor(const std::string& log, const std::string& needle, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (testing::readFile(log).find(needle) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

struct Outage {
  const char* name;
  Kind kind;
  bool pause;  // pause the server instead of killing it
};

class CameraRecovery : public ::testing::TestWithParam<Outage> {};

TEST_P(CameraRecovery, TheBroadcastGoesOnWhenTheCameraComesBack) {
  const Outage& p = GetParam();
  testing::ScopedProgramDirs dirs;
  testing::CameraTestServer server({p.kind});
  ASSERT_TRUE(server.started()) << server.error();
  {
    // One frame per strip, so that every second makes a picture.
    FileSettingsStorage storage;
    ASSERT_TRUE(storage.createKey() && storage.openKey());
    storage.writeValue("iBufferSize", "1");
    ASSERT_TRUE(storage.closeKey());
    ASSERT_TRUE(saveNetworkCameras(storage, {{"Gate", server.url(), "", ""}}));
  }
  const std::string out = dirs.root().file("out");
  const std::string log = dirs.root().file("tool.log");
  testing::ChildProcess tool;
  ASSERT_TRUE(tool.start({KARONE_CAPTURE_EXE, "--device", "Gate", "--mode", "motion", "--seconds",
                          "60", "--out", out},
                         log));
  ASSERT_TRUE(waitFor(log, "motion_img_00000000.jpg", std::chrono::seconds(20)))
      << testing::readFile(log);
  if (p.pause) {
    server.pause();
  } else {
    server.kill();
  }
  ASSERT_TRUE(waitFor(log, "camera \"Gate\" lost", std::chrono::seconds(15))) << testing::readFile(log);
  if (p.pause) {
    server.resume();
  } else {
    ASSERT_TRUE(server.restart()) << server.error();
  }
  ASSERT_TRUE(waitFor(log, "camera \"Gate\" is back after", std::chrono::seconds(40)))
      << testing::readFile(log);
  // The next picture carries on from the last running number.
  const std::string before = testing::readFile(log);
  std::uint32_t last = 0;
  for (std::uint32_t n = 0; n < 64; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "motion_img_%08x.jpg", n);
    if (before.find(name) != std::string::npos) last = n;
  }
  char next[32];
  std::snprintf(next, sizeof next, "motion_img_%08x.jpg", last + 1);
  EXPECT_TRUE(waitFor(log, next, std::chrono::seconds(20))) << testing::readFile(log);
  tool.stop();
}

INSTANTIATE_TEST_SUITE_P(Outages, CameraRecovery,
                         ::testing::Values(Outage{"rtsp_server_restarted", Kind::RtspMjpeg, false},
                                           Outage{"http_server_paused", Kind::HttpMjpeg, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karone
