// Whole broadcasts, end to end: the run controller with the real uploader
// on libcurl against the project's pyftpdlib server, and the real frame
// pipeline on the GStreamer test pattern. The controller's timers run in
// fake time; the server, the camera and the threads are real.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "platform/curl/CurlFtpClient.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "resources/Texts.h"
#include "tests/app/ControllerRig.h"
#include "tests/support/ProcessResources.h"
#include "tests/support/PyFtpServer.h"

namespace karone {
namespace {

using testing::ControllerRig;
using testing::PyFtpServer;

std::string t(Text id) { return text(id); }

CurlFtpOptions shortTimeouts() {
  CurlFtpOptions o;
  o.connectTimeoutMs = 2000;
  o.responseTimeoutMs = 2000;
  o.requestTimeoutMs = 10000;
  return o;
}

GstCaptureOptions testPatternOnly() {
  GstCaptureOptions o;
  o.listCameras = false;
  return o;
}

struct Broadcast {
  Broadcast() : client(shortTimeouts()), camera(testPatternOnly()), rig(&client, &camera) {}

  ProfileInfo serverProfile(const std::string& name, bool dialup = false) {
    ProfileInfo p = rig.profile(name, dialup);
    p.port = server.port();
    p.passiveMode = 1;
    p.userId = "karone";
    p.password = "secret";
    return p;
  }
  std::string page() const { return testing::readFile(server.root() + "/currfrme.html"); }
  std::vector<std::string> strips() const {
    std::vector<std::string> names;
    // The client names absolute paths: "STOR /motion_img_00000000.jpg".
    for (const auto& c : server.commands()) {
      if (c.rfind("STOR ", 0) != 0) continue;
      const std::string name = c.substr(c.rfind('/') + 1);
      if (name.rfind("motion_img_", 0) == 0) names.push_back(name);
    }
    return names;
  }
  std::vector<std::string> stripsOnServer() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(server.root())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("motion_img_", 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // Fake seconds until `done` holds (bounded).
  bool secondsUntil(const std::function<bool()>& done, int limit = 120) {
    for (int i = 0; i < limit && !done(); ++i) rig.seconds(1);
    return done();
  }

  PyFtpServer server;
  CurlFtpClient client;
  GstVideoCapture camera;
  ControllerRig rig;
};

std::string runningPageNaming(const std::string& strip) { return "Curr=" + strip + "\n"; }

TEST(Broadcast, ManualRunPublishesStripsInOrderAndEndsWithTheStoppedPage) {
  Broadcast b;
  ASSERT_TRUE(b.server.started()) << b.server.error();
  b.rig.store({b.serverProfile("live")});
  RunController& c = b.rig.start();
  c.captionEntryUsed();  // the operator reaches the entry, which drops the prompt
  c.captionEntered("テスト放送");
  c.connectDisconnect();
  ASSERT_TRUE(b.secondsUntil([&] { return c.connected(); }));
  b.rig.settle();  // the session is open before the worker has said it is ready
  EXPECT_TRUE(b.rig.view.saw(t(Text::FtpReady)));
  b.rig.seconds(1);
  EXPECT_EQ(b.rig.view.connectCaption, t(Text::Disconnect));

  c.startStopSending();  // switches the preview on first
  b.rig.seconds(1);
  ASSERT_TRUE(c.capturing());
  EXPECT_TRUE(c.captureWindow().pipeline().graphRunning());
  for (int n = 0; n < 3; ++n) {
    ASSERT_TRUE(b.secondsUntil([&] { return b.strips().size() == static_cast<size_t>(n + 1); }, 30))
        << "strip " << n;
    char strip[32];
    std::snprintf(strip, sizeof strip, "motion_img_%08x.jpg", n);
    EXPECT_EQ(b.strips().back(), strip);
    EXPECT_NE(b.page().find(runningPageNaming(strip)), std::string::npos) << b.page();
  }
  EXPECT_NE(b.page().find("Buffer=6\n"), std::string::npos);
  EXPECT_EQ(b.rig.view.startCaption, t(Text::StopSending));

  c.startStopSending();  // stop: the session ends on the server
  ASSERT_TRUE(b.secondsUntil([&] { return b.page().find("ServRun=0") != std::string::npos; }));
  b.rig.seconds(2);
  EXPECT_TRUE(b.stripsOnServer().empty());
  EXPECT_EQ(b.page().find("Curr="), std::string::npos);
  EXPECT_FALSE(c.capturing());
  EXPECT_TRUE(b.rig.view.bufferButtonsEnabled);
  // Three strips, each once, in order.
  EXPECT_EQ(b.strips(), (std::vector<std::string>{"motion_img_00000000.jpg",
                                                  "motion_img_00000001.jpg",
                                                  "motion_img_00000002.jpg"}));
}

TEST(Broadcast, ScheduledDialupRunDialsConnectsCapturesAndHangsUp) {
  Broadcast b;
  ASSERT_TRUE(b.server.started()) << b.server.error();
  b.rig.dialup.addEntry("isp");
  b.rig.store({b.serverProfile("dial", true)}, {b.rig.schedule("news", "dial", 320, 30)});
  RunController& c = b.rig.start();
  b.rig.seconds(19);  // S = 301
  EXPECT_FALSE(b.rig.view.saw(t(Text::FiveMinutesBefore)));
  b.rig.seconds(2);
  EXPECT_TRUE(b.rig.view.saw(t(Text::FiveMinutesBefore)));
  EXPECT_TRUE(c.dialupLink().ExistingConnectionInUse());
  EXPECT_EQ(b.server.logins(), 0);
  b.rig.seconds(240);  // S = 60
  ASSERT_TRUE(b.secondsUntil([&] { return c.connected(); }, 5));
  EXPECT_EQ(b.server.logins(), 1);
  EXPECT_FALSE(c.capturing());
  ASSERT_TRUE(b.secondsUntil([&] { return c.scheduledRun(); }, 70));
  EXPECT_TRUE(b.rig.view.saw(t(Text::ScheduledCaptureStarted)));
  ASSERT_TRUE(b.secondsUntil([&] { return !c.scheduledRun(); }, 40));
  EXPECT_TRUE(b.rig.view.saw(t(Text::ScheduledCaptureDone)));
  ASSERT_TRUE(b.secondsUntil([&] { return !c.connected(); }, 10));
  ASSERT_TRUE(b.secondsUntil([&] { return b.rig.view.saw(t(Text::DialupHungUp)); }, 10));
  EXPECT_FALSE(c.dialupLink().ExistingConnectionInUse());
  EXPECT_GE(b.strips().size(), 4u) << "30 seconds of strips of 6";
  EXPECT_NE(b.page().find("ServRun=0"), std::string::npos);
}

TEST(Broadcast, AServerOutageEndsInTheCountdownAndCaptureResumesWithNewNumbers) {
  Broadcast b;
  ASSERT_TRUE(b.server.started()) << b.server.error();
  b.rig.store({b.serverProfile("live")});
  RunController& c = b.rig.start();
  c.connectDisconnect();
  ASSERT_TRUE(b.secondsUntil([&] { return c.connected(); }));
  c.startStopSending();
  ASSERT_TRUE(b.secondsUntil([&] { return b.strips().size() == 2; }, 30));

  // The server goes away: uploads fail and it refuses every login.
  PyFtpServer::Faults down;
  down.refuseLogin = true;
  down.dropOn = "STOR";
  down.dropEvery = true;
  b.server.setFaults(down);
  ASSERT_TRUE(b.secondsUntil([&] { return c.reconnectActive(); }, 30));
  EXPECT_TRUE(b.rig.view.saw(formatText(Text::FtpReconnectTry, 10, 10)));
  EXPECT_TRUE(b.rig.view.saw(t(Text::FtpReconnectGaveUp)));
  EXPECT_TRUE(b.rig.view.saw(formatText(Text::ReconnectCountdown, 15)));
  EXPECT_FALSE(c.capturing());
  EXPECT_FALSE(c.connected());
  EXPECT_TRUE(c.faultStanding()) << "an exit now is no orderly end of the run";

  // It comes back; fifteen minutes later the session opens and capture resumes.
  b.server.clearFaults();
  b.rig.seconds(14 * 60);
  EXPECT_FALSE(c.connected());
  ASSERT_TRUE(b.secondsUntil([&] { return c.capturing(); }, 90));
  EXPECT_TRUE(b.rig.view.saw(t(Text::FtpReconnectedCapturing)));
  EXPECT_FALSE(c.faultStanding());
  const std::size_t before = b.strips().size();
  ASSERT_TRUE(b.secondsUntil([&] { return b.strips().size() >= before + 2; }, 30));

  // No running number was published twice.
  std::vector<std::string> sent = b.strips();
  std::set<std::string> unique(sent.begin(), sent.end());
  EXPECT_EQ(unique.size(), sent.size());
  EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
}

TEST(Broadcast, ExitWhileConnectedPublishesTheStoppedPageDisconnectsAndSaves) {
  PyFtpServer server;
  ASSERT_TRUE(server.started()) << server.error();
  CurlFtpClient client(shortTimeouts());
  const int threadsBefore = testing::threadCount();
  {
    ControllerRig rig(&client);  // the scripted camera: no streaming threads
    ProfileInfo p = rig.profile("live");
    p.port = server.port();
    p.passiveMode = 1;
    rig.store({p});
    rig.settings.values = {{"iBufferSize", "40"}, {"iCaptureFPS", "9"}, {"iImageWidth", "999"}};
    RunController& c = rig.start();
    c.connectDisconnect();
    for (int i = 0; i < 20 && !c.connected(); ++i) rig.seconds(1);
    ASSERT_TRUE(c.connected());
    server.clearTranscript();

    c.exitCommand();
    EXPECT_TRUE(rig.view.exitWaitShown);
    EXPECT_FALSE(c.closeRequested()) << "not before everything is saved";
    for (int i = 0; i < 20 && !rig.view.closed; ++i) rig.seconds(1);
    ASSERT_TRUE(rig.view.closed);
    EXPECT_FALSE(rig.view.exitWaitShown);
    EXPECT_TRUE(c.finished());
    EXPECT_TRUE(c.closeRequested());
    EXPECT_EQ(testing::readFile(server.root() + "/currfrme.html").find("ServRun=0"),
              testing::readFile(server.root() + "/currfrme.html").rfind("ServRun=0"));
    EXPECT_NE(testing::readFile(server.root() + "/currfrme.html").find("ServRun=0"),
              std::string::npos);
    const auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "QUIT"), commands.end());
    // Settings written with the corrections; the data file kept.
    EXPECT_EQ(rig.settings.values["iBufferSize"], "6");
    EXPECT_EQ(rig.settings.values["iCaptureFPS"], "1");
    EXPECT_EQ(rig.settings.values["iImageWidth"], "320");
    EXPECT_EQ(rig.settings.values["iLastSelSiteInfoIndex"], "0");
    DataStore data(rig.dir.file("EncData.zrd"));
    ASSERT_TRUE(data.load().ok());
    EXPECT_EQ(data.profileCount(), 1);
    rig.controller.reset();
  }
  EXPECT_EQ(testing::threadCount(), threadsBefore) << "no thread left behind";
}

}  // namespace
}  // namespace karone
