#include "app/RunController.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "resources/Texts.h"
#include "tests/app/ControllerRig.h"

namespace karone {
namespace {

using testing::ControllerRig;

std::string t(Text id) { return text(id); }

TEST(RunControllerStartUp, AppliesTheSettingsAndShowsTheWindowsFirstState) {
  ControllerRig rig;
  ProfileInfo unbounded = rig.profile("zeta");
  unbounded.bufferClipCount = 0;  // written by another program
  rig.store({unbounded, rig.profile("alpha"), rig.profile("mid")});
  rig.settings.values = {{"iCaptureMode", "1"},           {"iCaptureFPS", "10"},
                         {"iBufferSize", "40"},           {"iLastSelSiteInfoIndex", "1"},
                         {"iIndexFrgSubtitleColor", "9"}, {"dwUniqueRunningNum", "4294967295"}};
  RunController& c = rig.start();
  EXPECT_EQ(rig.view.profileLines, (std::vector<std::string>{"alpha", "mid", "zeta"}));
  EXPECT_EQ(rig.view.selectedLine, 1);
  EXPECT_EQ(c.selectedProfile().name, "mid");
  EXPECT_EQ(c.workingSettings().frameRate, 1) << "whatever iCaptureFPS holds";
  EXPECT_EQ(c.workingSettings().framesPerStrip, 40);
  EXPECT_EQ(rig.view.progressLabel, t(Text::ProgressLabelStill));
  EXPECT_EQ(rig.view.captionEntry, t(Text::CaptionPrompt));
  EXPECT_EQ(rig.view.colourIndex, 9);
  EXPECT_EQ(rig.view.startCaption, t(Text::StartSending));
  EXPECT_EQ(rig.view.connectCaption, t(Text::Connect));
  EXPECT_EQ(c.captureWindow().pipeline().fileCounter(), 0xffffffffu);
  // No schedules: the three lines, each with its leading blank.
  EXPECT_EQ(rig.view.scheduleLines,
            (std::vector<std::string>{" " + t(Text::NoScheduleName), " -- 日, --:--:--", "  "}));
  EXPECT_TRUE(rig.view.saw(formatText(Text::ProfileClipCountCorrected, "zeta", 0, 2)));
  EXPECT_FALSE(rig.view.saw(formatText(Text::ProfileClipCountCorrected, "alpha", 3, 3)));
  // Every value exists in the settings now.
  EXPECT_EQ(rig.settings.values.count("bAutoShutAndRecon"), 1u);
}

TEST(RunControllerStartUp, TheDialupServiceNoteIsShownOnlyWhenAProfileDials) {
  const std::string note = "ダイアルアップ接続は使用できません";
  for (bool dials : {false, true}) {
    ControllerRig rig;
    rig.store({rig.profile("lan"), rig.profile("mobile", dials)});
    rig.dialupNotes = {note};
    rig.start();
    EXPECT_EQ(rig.view.saw(note), dials) << (dials ? "a profile dials" : "none dials");
  }
}

// A run killed mid-strip leaves its pictures in the work folder; the next
// start removes exactly those.
TEST(RunControllerStartUp, RemovesThePicturesAnEarlierRunLeftAndNothingElse) {
  ControllerRig rig;
  const std::string folder = rig.parts().bufferFolder + "/";
  const std::vector<std::string> ours = {"motion_img_0000001a.bmp", "motion_img_0000001a.jpg",
                                         "still_img_latest.bmp", "still_img_latest.jpg",
                                         "still_img_bckp_000000ff.jpg", "currfrme.html"};
  const std::vector<std::string> others = {"motion_img_0000001A.jpg", "motion_img_1a.jpg",
                                           "motion_img_0000001a.png", "still_img_latest.txt",
                                           "currfrme_new.html", "photo.jpg"};
  for (const auto& name : ours) testing::writeFile(folder + name, "x");
  for (const auto& name : others) testing::writeFile(folder + name, "x");
  rig.start();
  for (const auto& name : ours) EXPECT_FALSE(std::filesystem::exists(folder + name)) << name;
  for (const auto& name : others) EXPECT_TRUE(std::filesystem::exists(folder + name)) << name;
  EXPECT_TRUE(rig.view.saw(formatText(Text::StaleWorkFilesRemoved, 6, folder.c_str())));
}

// A work folder that cannot take a picture is said at start, before sending.
TEST(RunControllerStartUp, SaysWhenTheWorkFolderCannotTakeAPicture) {
  ControllerRig rig;
  const std::string folder = rig.parts().bufferFolder;
  std::filesystem::remove_all(folder);
  testing::writeFile(folder, "a file where the folder should be");
  rig.start();
  EXPECT_TRUE(rig.view.saw(
      formatText(Text::WorkFolderCannotWrite, (folder + "/").c_str(), "Not a directory")));
}

TEST(RunControllerProfiles, AddModifyAndDeleteWithTheirRefusals) {
  ControllerRig rig;
  rig.store({rig.profile("alpha"), rig.profile("beta")},
            {ScheduleInfo{0, 0, -1, 2, 0, static_cast<std::int32_t>(ControllerRig::kStart + 86400),
                          static_cast<std::int32_t>(ControllerRig::kStart + 90000), "night",
                          "beta"}});
  RunController& c = rig.start();

  // Add: a duplicate name is refused and the dialog comes back filled in.
  ProfileInfo again = rig.profile("alpha");
  again.address = "10.0.0.1";
  ProfileInfo fresh = rig.profile("gamma");
  rig.dialogs.profileAnswers = {again, fresh};
  c.addProfile();
  ASSERT_EQ(rig.dialogs.profileRequests.size(), 2u);
  EXPECT_EQ(rig.dialogs.profileRequests[0].title, t(Text::ProfileAddTitle));
  EXPECT_TRUE(rig.dialogs.profileRequests[1].prefilled);
  EXPECT_EQ(rig.dialogs.profileRequests[1].profile.address, "10.0.0.1");
  ASSERT_EQ(rig.prompter.prompts().size(), 1u);
  EXPECT_EQ(rig.prompter.prompts()[0].text, formatText(Text::ProfileDuplicateName, "alpha"));
  EXPECT_EQ(rig.view.profileLines, (std::vector<std::string>{"alpha", "beta", "gamma"}));
  EXPECT_EQ(rig.view.selectedLine, 2);
  EXPECT_EQ(c.selectedProfile().name, "gamma");

  // Modify a profile a schedule uses: the in-use message, the restricted dialog.
  rig.prompter.clear();
  c.selectProfileLine(1);
  rig.dialogs.profileAnswers = {std::nullopt};
  c.modifyProfile();
  ASSERT_EQ(rig.prompter.prompts().size(), 1u);
  EXPECT_EQ(rig.prompter.prompts()[0].text, t(Text::ProfileInUse));
  EXPECT_TRUE(rig.dialogs.profileRequests.back().restricted);
  EXPECT_EQ(rig.dialogs.profileRequests.back().profile.name, "beta");

  // Modify keeping its own name is no duplicate.
  ProfileInfo changed = rig.profile("gamma");
  changed.port = 2121;
  c.selectProfileLine(2);
  rig.dialogs.profileAnswers = {changed};
  c.modifyProfile();
  EXPECT_EQ(c.selectedProfile().port, 2121);

  // Delete: the question; SelectedProfile stays until the next selection is read.
  rig.prompter.clear();
  rig.prompter.queueAnswer(PromptAnswer::Yes);
  c.deleteProfile();
  EXPECT_EQ(rig.view.profileLines, (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(c.selectedProfile().name, "gamma");
  EXPECT_EQ(c.dataStore().profileCount(), 2);

  // Delete a profile a schedule uses: the question, then the refusal.
  rig.prompter.clear();
  c.selectProfileLine(1);
  c.deleteProfile();
  ASSERT_EQ(rig.prompter.prompts().size(), 2u);
  EXPECT_EQ(rig.prompter.prompts()[1].text, t(Text::FtpProfileUsedBySchedule));
  EXPECT_EQ(rig.prompter.prompts()[1].caption, t(Text::FtpProfileDeleteCaption));
  EXPECT_EQ(rig.view.profileLines, (std::vector<std::string>{"alpha", "beta"}));
}

// Strips still on the server (settings lost, say) keep their names: the
// session's first listing moves the next number past them.
TEST(RunControllerStartUp, TheFirstListingMovesTheNumberPastTheStripsOnTheServer) {
  ControllerRig rig;
  rig.fakeFtp.addFile("/motion_img_00000041.jpg");
  rig.fakeFtp.addFile("/motion_img_0000003f.jpg");
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  rig.connect(c);
  ASSERT_TRUE(c.connected());
  EXPECT_EQ(c.captureWindow().pipeline().fileCounter(), 0x42u);
  EXPECT_TRUE(rig.view.saw(formatText(Text::RunningNumberBeyondServer, 0x42u)));
}

TEST(RunControllerCommands, RefusedWhenTheStateDoesNotAllowThem) {
  ControllerRig rig;
  RunController& c = rig.start();
  c.openScheduler();
  EXPECT_EQ(rig.dialogs.schedulerShown, 0);
  ASSERT_EQ(rig.prompter.prompts().size(), 1u);
  EXPECT_EQ(rig.prompter.prompts()[0].caption, t(Text::SchedulerNeedsProfileCaption));

  c.startStopSending();
  rig.settle();
  EXPECT_TRUE(rig.view.saw(t(Text::NotConnected)));
  EXPECT_FALSE(c.capturing());
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

TEST(RunControllerExit, ExitWhileTheWorkerWaitsForAnAnswerNeitherHangsNorLosesIt) {
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  rig.connect(c);
  ASSERT_TRUE(c.connected());

  // A second connect makes the worker ask whether to drop the session; the
  // question waits for the window thread.
  c.uploader().queue(upload::Connect{});
  for (int i = 0; i < 2000 && rig.runner.queued() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GE(rig.runner.queued(), 1u);
  EXPECT_FALSE(c.uploader().IsIdle());

  rig.prompter.queueAnswer(PromptAnswer::No);  // keep the session
  c.exitCommand();
  EXPECT_TRUE(rig.view.exitWaitShown);
  for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
  ASSERT_TRUE(rig.view.closed);
  const auto prompts = rig.prompter.prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text, t(Text::FtpAskDisconnect));
  // The answer counted: the session was kept until the exit closed it.
  EXPECT_EQ(rig.fakeFtp.connectCount(), 1);
  EXPECT_FALSE(c.connected());
}

TEST(RunControllerExit, RefusedWhileCapturingAndACloseRequestRunsTheOrderlyExit) {
  ControllerRig rig;
  rig.store({rig.profile("site")});
  RunController& c = rig.start();
  EXPECT_FALSE(c.closeRequested()) << "not armed";
  rig.connect(c);
  c.startStopSending();
  rig.seconds(1);
  ASSERT_TRUE(c.capturing());
  c.exitCommand();
  ASSERT_EQ(rig.prompter.prompts().size(), 1u);
  EXPECT_EQ(rig.prompter.prompts()[0].caption, t(Text::ExitCaption));
  EXPECT_TRUE(c.exitArmed());
  EXPECT_FALSE(c.closeRequested()) << "capture still runs";
  EXPECT_FALSE(rig.view.closed);

  c.startStopSending();
  rig.seconds(1);
  EXPECT_FALSE(c.closeRequested()) << "starts the exit instead of closing at once";
  for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
  EXPECT_TRUE(rig.view.closed);
  EXPECT_TRUE(c.closeRequested());
  EXPECT_EQ(rig.settings.values["dwUniqueRunningNum"],
            std::to_string(c.captureWindow().pipeline().fileCounter()));
  // The log is closed after the exit's last line, not before the disconnect.
  const std::string log = testing::readFile(rig.dir.file("kirufa_log.txt"));
  EXPECT_NE(log.find(t(Text::FtpDisconnecting)), std::string::npos) << log;
}

// A pipe at the data file's path is never read as the store, nor saved over
// at exit.
TEST(RunControllerExit, ADataFileThatIsAPipeIsLeftAlone) {
  ControllerRig rig;
  const std::string path = rig.dir.file("EncData.zrd");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  RunController& c = rig.start();
  c.exitCommand();
  for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
  ASSERT_TRUE(rig.view.closed);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(RunControllerExit, AnAdoptedLineIsHungUpOnlyWhenTheOperatorSaysYes) {
  for (PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
    ControllerRig rig;
    rig.dialup.addConnectedConnection("isp");
    RunController& c = rig.start();
    rig.prompter.queueAnswer(answer);
    c.exitCommand();
    for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
    ASSERT_TRUE(rig.view.closed);
    ASSERT_EQ(rig.prompter.prompts().size(), 1u);
    EXPECT_EQ(rig.prompter.prompts()[0].caption, t(Text::DialupCaption));
    EXPECT_EQ(rig.dialup.hangUps().size(), answer == PromptAnswer::Yes ? 1u : 0u);
  }
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

TEST(RunControllerExit, ASchedulesLeadTimesDoNothingOnceTheExitHasStarted) {
  ControllerRig rig;
  rig.store({rig.profile("site")}, {rig.schedule("soon", "site", 70, 60)});
  RunController& c = rig.start();
  rig.connect(c);
  // The uploader stays busy (a listing that does not come back yet), so the
  // exit waits while the schedule's one-minute step comes round.
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  rig.fakeFtp.onCall([&](const std::string& line) {
    if (line != "list") return;
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return release; });
  });
  c.deleteAllBuffers();
  c.exitCommand();
  for (int i = 0; i < 20; ++i) {
    rig.timers.advance(1000);
    rig.runner.runPending();
  }
  EXPECT_FALSE(rig.view.saw(t(Text::OneMinuteBefore)));
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  rig.fakeFtp.onCall(nullptr);
  for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
  EXPECT_TRUE(rig.view.closed);
  EXPECT_EQ(rig.fakeFtp.connectCount(), 1) << "no session opened during the exit";
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

// Questions to the operator stay open while time passes, as a box on the
// screen does: the controller's timers and the workers go on, no step runs
// a second time meanwhile, and what follows the answer runs when it comes.
TEST(RunControllerQuestions, AnOpenQuestionNeitherStopsTheTimersNorRunsItsStepTwice) {
  {
    SCOPED_TRACE("the dial-up question at exit");
    ControllerRig rig;
    rig.dialup.addConnectedConnection("isp");
    rig.store({rig.profile("site")}, {rig.schedule("later", "site", 7200, 60)});
    rig.prompter.holdLater(true);
    RunController& c = rig.start();
    c.exitCommand();
    rig.seconds(3);
    ASSERT_EQ(rig.prompter.held(), 1u);
    const std::string countdownBefore = rig.view.scheduleLines[1];
    rig.seconds(30);  // the box stays open; the exit poll does not ask again
    EXPECT_EQ(rig.prompter.held(), 1u);
    EXPECT_EQ(rig.prompter.prompts().size(), 1u);
    EXPECT_FALSE(rig.view.closed);
    EXPECT_NE(rig.view.scheduleLines[1], countdownBefore) << "the monitor kept counting";
    rig.prompter.answerHeld(PromptAnswer::Yes);
    for (int i = 0; i < 10 && !rig.view.closed; ++i) rig.seconds(1);
    EXPECT_TRUE(rig.view.closed);
    EXPECT_EQ(rig.dialup.hangUps().size(), 1u);
  }
  {
    SCOPED_TRACE("stopping a scheduled run that ends while the box is open");
    ControllerRig rig;
    rig.store({rig.profile("site")}, {rig.schedule("short", "site", 70, 40)});
    rig.prompter.holdLater(true);
    RunController& c = rig.start();
    rig.seconds(71);
    ASSERT_TRUE(c.scheduledRun());
    c.startStopSending();
    c.startStopSending();  // a second click while the box is open asks nothing more
    EXPECT_EQ(rig.prompter.held(), 1u);
    rig.seconds(45);  // the run ends by itself meanwhile
    EXPECT_FALSE(c.scheduledRun());
    EXPECT_EQ(rig.view.count(t(Text::ScheduledCaptureDone)), 1);
    rig.prompter.answerHeld(PromptAnswer::Yes);
    rig.seconds(2);
    EXPECT_EQ(rig.view.count(t(Text::ScheduledCaptureDone)), 1) << "not stopped twice";
    EXPECT_EQ(rig.view.startCaption, t(Text::StartSending));
  }
}

}  // namespace
}  // namespace karone
