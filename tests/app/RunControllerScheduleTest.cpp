#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "app/RunController.h"
#include "resources/Texts.h"
#include "tests/app/ControllerRig.h"

namespace karone {
namespace {

using testing::ControllerRig;

std::string t(Text id) { return text(id); }

// The lines of the schedule summary as shown, and the lead-time steps, for
// schedules at different distances.
TEST(RunControllerSchedule, SummaryLinesFollowTheNextSchedule) {
  struct Row {
    Seconds in;
    std::string remaining;
  } rows[] = {{90061, " 1 日, 01:01:01"}, {3600, " 0 日, 01:00:00"}, {59, " 0 日, 00:00:59"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    ControllerRig rig;
    rig.store({rig.profile("site")}, {rig.schedule("morning", "site", row.in, 600)});
    rig.start();
    EXPECT_EQ(rig.view.scheduleLines,
              (std::vector<std::string>{" morning", row.remaining, " " + t(Text::ScheduleStatusOnTime)}));
  }
}

TEST(RunControllerSchedule, ADialupScheduleDialsAtFiveMinutesConnectsAtOneAndRunsToItsEnd) {
  ControllerRig rig;
  rig.dialup.addEntry("isp");
  // Added three minutes ahead: the five-minute step comes at once.
  rig.store({rig.profile("dial", true)}, {rig.schedule("news", "dial", 180, 20)});
  RunController& c = rig.start();
  rig.seconds(1);
  EXPECT_TRUE(rig.view.saw(t(Text::FiveMinutesBefore)));
  EXPECT_TRUE(rig.view.saw(t(Text::DialupSucceeded)));
  EXPECT_EQ(rig.fakeFtp.connectCount(), 0) << "only dialled five minutes ahead";
  EXPECT_TRUE(c.dialupLink().ExistingConnectionInUse());

  rig.seconds(120);  // S = 60: connect and switch the device on
  EXPECT_TRUE(rig.view.saw(t(Text::OneMinuteBefore)));
  EXPECT_TRUE(rig.view.saw(t(Text::ImageCaptureStarted)));
  EXPECT_TRUE(c.connected());
  EXPECT_TRUE(c.captureWindow().pipeline().locked());
  EXPECT_FALSE(c.capturing());

  rig.seconds(60);  // S = 0
  EXPECT_TRUE(rig.view.saw(t(Text::ScheduledCaptureStarted)));
  EXPECT_TRUE(c.capturing());
  EXPECT_TRUE(c.scheduledRun());
  EXPECT_EQ(c.workingSettings().autoReconnectProfile, "dial");
  EXPECT_FALSE(rig.view.bufferButtonsEnabled);
  EXPECT_EQ(rig.view.scheduleLines[2], " " + t(Text::ScheduleStatusRunning));
  rig.seconds(1);
  EXPECT_EQ(rig.view.startCaption, t(Text::StopSending));

  rig.seconds(25);  // the end: stop, drain, disconnect, hang up
  EXPECT_TRUE(rig.view.saw(t(Text::ScheduledCaptureDone)));
  EXPECT_FALSE(c.capturing());
  EXPECT_FALSE(c.captureWindow().pipeline().graphRunning());
  EXPECT_FALSE(c.connected());
  EXPECT_TRUE(rig.view.saw(t(Text::DialupHungUp)));
  EXPECT_TRUE(rig.view.bufferButtonsEnabled);
  rig.seconds(5);
  EXPECT_EQ(rig.view.startCaption, t(Text::StartSending));
  EXPECT_EQ(rig.view.connectCaption, t(Text::Connect));
}

TEST(RunControllerSchedule, AScheduleMeetingARunningCaptureIsNotStarted) {
  ControllerRig rig;
  rig.store({rig.profile("site")}, {rig.schedule("clash", "site", 90, 60)});
  RunController& c = rig.start();
  rig.connect(c);
  c.startStopSending();
  rig.seconds(1);
  ASSERT_TRUE(c.capturing());
  rig.seconds(40);  // S = 60 while capturing
  EXPECT_EQ(rig.view.count(t(Text::CapturingRecognised)), 1);
  EXPECT_EQ(rig.view.count(t(Text::ScheduleCannotRegister)), 1);
  rig.seconds(60);  // S = 0: the session in progress goes on, manual
  EXPECT_TRUE(c.capturing());
  EXPECT_FALSE(c.scheduledRun());
  EXPECT_FALSE(c.runningSchedule().has_value());
}

TEST(RunControllerSchedule, NoIdleSessionCheckAtOneSixtyAndSixtyOneSeconds) {
  for (Seconds s : {61, 60, 1}) {
    SCOPED_TRACE(s);
    ControllerRig rig;
    // Connected at the first tick; idle passes 60 at the 61st tick after it,
    // when the schedule is s seconds away.
    rig.store({rig.profile("site")}, {rig.schedule("later", "site", 61 + s, 600)});
    RunController& c = rig.start();
    rig.connect(c);
    rig.seconds(60);
    EXPECT_FALSE(rig.view.saw(t(Text::SessionCheck)));
    rig.seconds(1);
    EXPECT_FALSE(rig.view.saw(t(Text::SessionCheck))) << "skipped at S = " << s;
  }
  // Without a schedule the check comes after sixty idle seconds.
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  rig.connect(c);
  rig.seconds(61);
  EXPECT_TRUE(rig.view.saw(t(Text::SessionCheck)));
  rig.seconds(1);
  EXPECT_TRUE(rig.view.saw(t(Text::FtpSessionAlive)));
  EXPECT_FALSE(c.sessionSuspect());
}

TEST(RunControllerSchedule, AFailedSessionCheckMakesTheSessionSuspect) {
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  rig.connect(c);
  rig.fakeFtp.failAlways(FtpOperation::List, FtpResult{FtpError::ConnectionLost, 0, "gone"});
  rig.seconds(62);
  EXPECT_TRUE(c.sessionSuspect());
  rig.prompter.clear();
  c.startStopSending();
  c.goUp();
  ASSERT_EQ(rig.prompter.prompts().size(), 2u);
  EXPECT_EQ(rig.prompter.prompts()[0].caption, t(Text::FtpSessionCaption));
  EXPECT_FALSE(c.capturing());
  c.connectDisconnect();  // a disconnect clears it
  rig.settle();
  EXPECT_FALSE(c.sessionSuspect());
}

TEST(RunControllerReconnect, CountsDownReconnectsAtOneAndRestartsAfterAFailure) {
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  c.connectDisconnect();  // selects the active profile
  rig.settle();
  c.connectDisconnect();  // and disconnects again
  rig.settle();
  ASSERT_FALSE(c.connected());

  // The preview runs, as it does after capture has stopped: the start
  // after the timed reconnect needs no pause for it.
  c.captureWindow().togglePreview();
  c.StartReconnectCountdown();
  rig.settle();
  EXPECT_TRUE(rig.view.saw(formatText(Text::ReconnectCountdown, 15)));
  rig.fakeFtp.failAlways(FtpOperation::Connect, FtpResult{FtpError::ConnectFailed, 0, "refused"});
  rig.seconds(13 * 60);
  EXPECT_TRUE(rig.view.saw(formatText(Text::ReconnectCountdown, 2)));
  EXPECT_FALSE(rig.view.saw(formatText(Text::ReconnectCountdown, 1) + "x"));
  const auto before = rig.view.statusLines.size();
  rig.seconds(60);  // countdown 1
  EXPECT_TRUE(rig.view.saw(formatText(Text::ReconnectCountdown, 1)));
  rig.seconds(60);  // 0: the timed reconnect, which fails and starts again at 15
  EXPECT_TRUE(rig.view.saw(t(Text::FtpTimedReconnectError)));
  EXPECT_EQ(c.reconnectCountdown(), 15);
  EXPECT_GT(rig.view.count(formatText(Text::ReconnectCountdown, 15)), 1);
  EXPECT_GT(rig.view.statusLines.size(), before);

  // The server is back: at the next zero the session opens and capture starts.
  rig.fakeFtp.clearFailures();
  rig.seconds(15 * 60 + 2);
  EXPECT_TRUE(rig.view.saw(t(Text::FtpReconnectedCapturing)));
  EXPECT_TRUE(c.connected());
  EXPECT_TRUE(c.capturing());
  EXPECT_FALSE(c.reconnectActive());
}

TEST(RunControllerDialup, ConnectWhileDiallingHangsUpAndAnExistingLineShowsDisconnect) {
  {
    ControllerRig rig;
    rig.dialup.addEntry("isp");
    SimulatedDialupService::Script slow;
    slow.progress = {{DialupState::Dialling, DialupOk}};  // never connects
    rig.dialup.scriptDial(slow);
    rig.store({rig.profile("dial", true)});
    RunController& c = rig.start();
    c.connectDisconnect();
    rig.seconds(1);
    EXPECT_TRUE(c.dialupLink().WeDialled());
    EXPECT_EQ(rig.view.connectCaption, t(Text::Disconnect));
    c.connectDisconnect();  // stops redialling and hangs up instead of connecting
    rig.seconds(5);
    EXPECT_FALSE(c.dialupLink().WeDialled());
    EXPECT_TRUE(c.dialupLink().StopRedial());
    EXPECT_EQ(rig.fakeFtp.connectCount(), 0);
    EXPECT_EQ(rig.view.connectCaption, t(Text::Connect));
  }
  {
    ControllerRig rig;
    rig.dialup.addConnectedConnection("isp");
    rig.store({rig.profile("dial", true)});
    RunController& c = rig.start();
    rig.seconds(1);
    EXPECT_EQ(rig.view.connectCaption, t(Text::Disconnect)) << "the adopted line counts";
    c.connectDisconnect();  // no FTP session: this connects
    rig.seconds(1);
    EXPECT_TRUE(rig.view.saw(formatText(Text::DialupUsingExisting, "isp")));
    EXPECT_TRUE(c.connected());
    EXPECT_TRUE(rig.dialup.dials().empty());
  }
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

TEST(RunControllerSchedule, TheSessionCheckNeverHoldsTheWindowThread) {
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  rig.connect(c);
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  std::atomic<bool> listing{false};
  rig.fakeFtp.onCall([&](const std::string& line) {
    if (line != "list") return;
    listing = true;
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return release; });
  });
  for (int i = 0; i < 62; ++i) {
    rig.timers.advance(1000);
    rig.runner.runPending();
  }
  for (int i = 0; i < 2000 && !listing; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(listing) << "the check runs on the worker";
  // The server does not answer; the window thread goes on with its timers.
  rig.timers.advance(5000);
  rig.runner.runPending();
  EXPECT_EQ(rig.view.scheduleLines.size(), 3u);
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  rig.fakeFtp.onCall(nullptr);
  rig.settle();
  EXPECT_FALSE(c.sessionSuspect());
  EXPECT_TRUE(rig.view.saw(text(Text::FtpSessionAlive)));
}

}  // namespace
}  // namespace karone
