#include "ftp/FtpUploader.h"

#include <gtest/gtest.h>


#include "ftp/EventLog.h"
#include "ftp/MemoryLogView.h"
#include "ftp/StatusPage.h"
#include "tests/doubles/FakeFtpClient.h"
#include "tests/doubles/RecordingUploaderSink.h"
#include "resources/Texts.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"

namespace karone {
namespace {

using Lines = std::vector<std::string>;
namespace ev = upload_event;

// A log line that reports a failure (upload or connect).
bool isErrorLine(const std::string& message) {
  std::string upload = text(Text::FtpUploadError);
  upload = upload.substr(0, upload.find('%'));
  return message.rfind(upload, 0) == 0 || message == text(Text::FtpConnectError);
}


class FtpUploaderTest : public ::testing::Test {
 protected:
  FtpUploaderTest() {
    log.setView(&view);
    profile.name = "site";
    profile.address = "127.0.0.1";
    profile.userId = "user";
    profile.password = "pw";
    profile.uploadDirectory = "/live";
    profile.port = 2121 + 65536;  // only the low 16 bits count
    profile.passiveMode = 1;
    fake.addDirectory("/live");
    uploader.SetProfile(profile);
    sink.setCapturing(true);
    EXPECT_TRUE(uploader.StartWorker());
  }

  // Log messages without their time prefix.
  Lines messages() const {
    Lines out;
    for (const auto& line : view.lines()) out.push_back(line.substr(line.find("> ") + 2));
    return out;
  }
  void clearAll() {
    uploader.waitUntilDone();
    fake.clearTranscript();
    sink.clear();
    while (view.lineCount() > 0) view.removeFirstLine();
  }
  void connect() {
    uploader.queue(upload::Connect{});
    clearAll();
  }
  // A local JPEG as the capture side leaves it.
  std::string jpeg(const std::string& name, const std::string& bytes = "JPEG") {
    auto path = dir.file(name);
    testing::writeFile(path, bytes);
    return path;
  }
  FrameRequest motion(std::uint32_t n) {
    FrameRequest f;
    f.captureMode = 0;
    f.localPath = jpeg(motionFrameName(n), "strip " + std::to_string(n));
    f.runningNumber = n;
    return f;
  }
  void run(const FrameRequest& f) {
    uploader.queue(upload::UploadFrame{f});
    uploader.waitUntilDone();
  }
  // Runs one command to its end.
  void run(UploadCommand command) {
    uploader.queue(std::move(command));
    uploader.waitUntilDone();
  }
  std::vector<RecordingPrompter::Prompt> prompts() { return sink.prompter().prompts(); }

  testing::TempDir dir;
  FakeClock clock{0};
  FakeSleeper sleeper{&clock};
  MemoryLogView view{400, 6};
  EventLog log{clock, dir.path()};
  FakeFtpClient fake{"/"};
  RecordingUploaderSink sink;
  ProfileInfo profile;
  FtpUploader uploader{
      {fake, log, sleeper, dir.path(), sink.eventSink(), sink.contextReader(), sink.requests()}};
};

TEST_F(FtpUploaderTest, ConnectEntersTheDirectoryListsAndIsReady) {
  fake.addFile("/live/motion_img_00000001.jpg");
  fake.addFile("/live/still_img_latest.jpg");
  fake.addDirectory("/live/archive");
  run(upload::Connect{});
  EXPECT_EQ(fake.transcript(),
            (Lines{"open TamblorFTP", "connect 127.0.0.1 2121 user passive", "cd /live", "pwd",
                   "list"}));
  EXPECT_EQ(messages(), (Lines{formatText(Text::FtpConnecting, "127.0.0.1"),
                               text(Text::FtpConnected), text(Text::FtpListingStarted),
                               text(Text::FtpListingDone), text(Text::FtpReady)}));
  EXPECT_EQ(sink.events(),
            (std::vector<UploaderEvent>{ev::SessionActivity{}, ev::SessionOpened{true},
                                        ev::DirectoryCleared{}, ev::DirectoryLabel{"/live"},
                                        ev::MotionBufferCount{0}, ev::StillBufferCount{0},
                                        ev::DirectoryEntry{{"archive", "0", "0/0/0"}},
                                        ev::MotionBufferCount{1}, ev::StillBufferCount{1},
                                        ev::StripsOnServer{{1}}}));
  EXPECT_TRUE(prompts().empty());
}

TEST_F(FtpUploaderTest, DirectoryFallback) {
  struct Row {
    std::string directory;
    bool warned;
    Lines transcript;
  };
  const Row rows[] = {
      {"", false, {"connect 127.0.0.1 2121 user passive", "pwd", "cd /", "pwd", "list"}},
      {"/missing", true,
       {"connect 127.0.0.1 2121 user passive", "cd /missing", "pwd", "cd /", "pwd", "list"}},
  };
  for (const auto& row : rows) {
    profile.uploadDirectory = row.directory;
    uploader.SetProfile(profile);
    uploader.queue(upload::Disconnect{});
    clearAll();
    sink.prompter().clear();
    run(upload::Connect{});
    EXPECT_EQ(fake.transcript(), row.transcript) << row.directory;
    EXPECT_EQ(prompts().size(), row.warned ? 1u : 0u) << row.directory;
    EXPECT_EQ(fake.cwd(), "/");
    if (row.warned) {
      EXPECT_EQ(prompts()[0].text, text(Text::FtpDirectoryInaccessible));
    }
  }
}

TEST_F(FtpUploaderTest, ConnectingWhileConnectedAsksFirst) {
  connect();
  sink.prompter().queueAnswer(PromptAnswer::No);
  run(upload::Connect{});
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(fake.transcript().empty());
  EXPECT_TRUE(uploader.IsConnected());
  EXPECT_EQ(sink.all<ev::SessionOpened>().size(), 0u);

  sink.prompter().queueAnswer(PromptAnswer::Yes);
  run(upload::Connect{});
  ASSERT_GE(fake.transcript().size(), 2u);
  EXPECT_EQ(fake.transcript()[0], "disconnect");
  EXPECT_EQ(messages()[0], text(Text::FtpDisconnecting));
  EXPECT_EQ(fake.connectCount(), 2);
  ASSERT_EQ(prompts().size(), 2u);
  EXPECT_EQ(prompts()[0].text, text(Text::FtpAskDisconnect));
  EXPECT_EQ(prompts()[0].caption, text(Text::FtpSessionCaption));
}

TEST_F(FtpUploaderTest, FailedLoginIsLoggedAndReported) {
  fake.requireLogin("user", "other");
  run(upload::Connect{});
  // The refusal says what the server answered (over SFTP: the methods
  // offered and tried).
  EXPECT_EQ(messages(), (Lines{formatText(Text::FtpConnecting, "127.0.0.1"),
                               text(Text::FtpConnectError),
                               formatText(Text::FtpLoginRefused, "Login incorrect.")}));
  EXPECT_EQ(sink.count(ev::SessionOpened{false}), 1);
  EXPECT_FALSE(uploader.IsConnected());

  // A failed certificate check says why.
  const std::string why = "SSL certificate problem: self-signed certificate";
  fake.failNth(FtpOperation::Connect, 1, FtpResult::failure(FtpError::TlsFailed, why));
  run(upload::Connect{});
  EXPECT_EQ(messages().back(), formatText(Text::FtpTlsFailed, why.c_str()));
}

TEST_F(FtpUploaderTest, MotionFramePublishesPageAndRotates) {
  for (std::uint32_t n = 0x11; n <= 0x19; ++n) fake.addFile("/live/" + motionFrameName(n));
  fake.addFile("/live/currfrme.html", runningStatusPage({6, "motion_img_00000019.jpg", 1, "", 0}));
  connect();
  sink.setCaption({"ライブ", 0x0000ff});
  // After the first strip of a session, one strip at a time.
  run(motion(0x1a));
  clearAll();
  auto frame = motion(0x1b);
  run(frame);
  EXPECT_EQ(fake.transcript(),
            (Lines{"put motion_img_0000001b.jpg binary", "put currfrme_new.html ascii",
                   "delete currfrme.html", "rename currfrme_new.html currfrme.html",
                   "delete motion_img_00000011.jpg"}));
  EXPECT_EQ(messages(), (Lines{formatText(Text::FtpUploading, "motion_img_0000001b.jpg"),
                               text(Text::FtpUploadDone),
                               formatText(Text::FtpFileDeleted, "motion_img_00000011.jpg")}));
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"),
            runningStatusPage({6, "motion_img_0000001b.jpg", 1, "ライブ", 0x0000ff}));
  EXPECT_FALSE(fake.exists("/live/currfrme_new.html"));
  EXPECT_EQ(fake.fileContent("/live/motion_img_0000001b.jpg"), "strip 27");
  EXPECT_FALSE(testing::fileExists(dir.file("currfrme.html")));
  EXPECT_EQ(sink.count(ev::UploadDone{}), 1);
  // The current JPEG stays for the capture side; the next upload removes it.
  EXPECT_TRUE(testing::fileExists(frame.localPath));
  run(motion(0x1c));
  EXPECT_FALSE(testing::fileExists(frame.localPath));
}

// The first strip of a session also clears what earlier sessions left: the
// page on the server tells which strip was published last; strips outside
// the window and strips never published (a failed upload) go, foreign
// files and look-alikes stay.
TEST_F(FtpUploaderTest, FirstStripOfASessionClearsWhatEarlierSessionsLeft) {
  for (std::uint32_t n : {0x01u, 0x02u, 0x05u, 0x06u, 0x08u, 0x09u, 0x0au, 0x0bu, 0x0cu, 0x0du}) {
    fake.addFile("/live/" + motionFrameName(n), "strip");
  }
  fake.addFile("/live/motion_img_0000000e.jpg", "half a str");  // its upload failed
  fake.addFile("/live/MOTION_IMG_00000003.JPG");
  fake.addFile("/live/index.html");
  fake.addFile("/live/currfrme.html", runningStatusPage({6, "motion_img_0000000d.jpg", 1, "", 0}));
  sink.setBufferClipLimit(5);
  connect();
  run(motion(0x0f));
  EXPECT_EQ(fake.namesIn("/live"),
            (Lines{"MOTION_IMG_00000003.JPG", "currfrme.html", "index.html",
                   "motion_img_0000000b.jpg", "motion_img_0000000c.jpg", "motion_img_0000000d.jpg",
                   "motion_img_0000000f.jpg"}));
  EXPECT_EQ(fake.transcript()[1], "get currfrme.html");

  // Without a running page to go by, only the new strip stays.
  fake.addFile("/live/motion_img_00000003.jpg");
  fake.addFile("/live/currfrme.html", stoppedStatusPage());
  connect();
  run(motion(0x10));
  EXPECT_EQ(fake.namesIn("/live"), (Lines{"MOTION_IMG_00000003.JPG", "currfrme.html", "index.html",
                                         "motion_img_00000010.jpg"}));
  // Later strips of the session rotate one at a time, without a listing.
  clearAll();
  run(motion(0x11));
  for (const auto& line : fake.transcript()) EXPECT_NE(line, "list");
}

TEST_F(FtpUploaderTest, RotationDependsOnLimitCaptureAndNumber) {
  struct Row {
    std::uint32_t frame;
    int limit;
    bool capturing;
    Lines deletes;
  };
  const Row rows[] = {
      {9, 10, true, {}},
      {10, 10, true, {"delete motion_img_00000000.jpg"}},
      {0x1a, -1, true, {}},   // the profile keeps its buffer
      {0x1a, 10, false, {}},  // capture stopped meanwhile
  };
  for (const auto& row : rows) {
    sink.setBufferClipLimit(10);
    sink.setCapturing(true);
    connect();
    run(motion(row.frame - 1));  // the session's first strip
    clearAll();
    sink.setBufferClipLimit(row.limit);
    sink.setCapturing(row.capturing);
    run(motion(row.frame));
    Lines deletes;
    for (const auto& line : fake.transcript()) {
      if (line.rfind("delete motion", 0) == 0) deletes.push_back(line);
    }
    EXPECT_EQ(deletes, row.deletes) << row.frame << " " << row.limit;
  }
}

TEST_F(FtpUploaderTest, FailedRotationDeleteIsLoggedOnce) {
  connect();
  run(motion(11));
  run(motion(12));
  EXPECT_EQ(messages().back(), formatText(Text::FtpCannotDelete, "motion_img_00000002.jpg"));
}

// The page is replaced only by a complete new one: a failed upload of the
// new page leaves the published page in place (a half-stored temporary is
// removed) and says so in the log.
TEST_F(FtpUploaderTest, StatusPageIsReplacedOnlyAfterItsUploadSucceeded) {
  connect();
  run(motion(1));
  const auto published = fake.fileContent("/live/currfrme.html");
  ASSERT_TRUE(published);
  struct Row {
    const char* name;
    bool partial;
    FtpResult failure;
  };
  const Row rows[] = {
      {"refused", false, FtpResult::failure(FtpError::Refused, "not allowed", 550)},
      {"partly stored", true, FtpResult::failure(FtpError::Refused, "disk full", 452)},
  };
  std::uint32_t n = 2;
  for (const Row& row : rows) {
    clearAll();
    if (row.partial) {
      fake.partialPutNth(2, 40, row.failure);
    } else {
      fake.failNth(FtpOperation::Put, 2, row.failure);
    }
    run(motion(n));
    EXPECT_EQ(fake.fileContent("/live/currfrme.html"), published) << row.name;
    EXPECT_FALSE(fake.exists("/live/currfrme_new.html")) << row.name;
    EXPECT_TRUE(fake.exists("/live/" + motionFrameName(n))) << row.name;
    EXPECT_EQ(messages(), (Lines{formatText(Text::FtpUploading, motionFrameName(n).c_str()),
                                 formatText(Text::FtpStatusPageNotPublished, row.failure.reply),
                                 text(Text::FtpUploadDone)}))
        << row.name;
    for (const auto& line : fake.transcript()) {
      EXPECT_NE(line, "delete currfrme.html") << row.name;
      EXPECT_EQ(line.rfind("rename", 0), std::string::npos) << row.name;
    }
    ++n;
  }
  EXPECT_EQ(uploader.statusPageFailures(), 2);
  clearAll();
  run(motion(n));
  EXPECT_EQ(pageCurrentFrame(*fake.fileContent("/live/currfrme.html")), motionFrameName(n));
}

// A strip the server took part of and then refused is deleted at once: its
// number is never used again, so nothing would ever replace it.
TEST_F(FtpUploaderTest, PartlyStoredStripIsRemoved) {
  connect();
  run(motion(1));
  fake.partialPutNth(1, 3, FtpResult::failure(FtpError::Refused, "disk full", 452));
  run(motion(2));
  EXPECT_FALSE(fake.exists("/live/motion_img_00000002.jpg"));
  EXPECT_TRUE(fake.exists("/live/motion_img_00000001.jpg"));
  EXPECT_EQ(pageCurrentFrame(*fake.fileContent("/live/currfrme.html")), "motion_img_00000001.jpg");

  // When rotation reaches the removed strip, nothing failed.
  sink.setBufferClipLimit(2);
  clearAll();
  run(motion(3));
  run(motion(4));
  EXPECT_EQ(messages().back(), text(Text::FtpUploadDone));
  EXPECT_EQ(fake.namesIn("/live"), (std::vector<std::string>{"currfrme.html", "motion_img_00000003.jpg",
                                                              "motion_img_00000004.jpg"}));
}

TEST_F(FtpUploaderTest, StillFramesWithAndWithoutBackup) {
  connect();
  FrameRequest still;
  still.captureMode = 1;
  still.localPath = jpeg("still_img_latest.jpg", "first");
  still.keepPrevious = true;
  still.runningNumber = 5;
  run(still);  // nothing to back up yet: no error
  still.localPath = jpeg("still_img_latest.jpg", "second");
  still.runningNumber = 6;
  run(still);
  EXPECT_EQ(fake.transcript(),
            (Lines{"rename still_img_latest.jpg still_img_bckp_00000005.jpg",
                   "put still_img_latest.jpg binary",
                   "rename still_img_latest.jpg still_img_bckp_00000006.jpg",
                   "put still_img_latest.jpg binary"}));
  EXPECT_EQ(fake.fileContent("/live/still_img_bckp_00000006.jpg"), "first");
  EXPECT_EQ(fake.fileContent("/live/still_img_latest.jpg"), "second");
  for (const auto& m : messages()) EXPECT_FALSE(isErrorLine(m)) << m;

  // One local name for every still: the picture just sent is kept.
  EXPECT_TRUE(testing::fileExists(still.localPath));
  clearAll();
  still.keepPrevious = false;
  run(still);
  EXPECT_EQ(fake.transcript(), (Lines{"put still_img_latest.jpg binary"}));
}

TEST_F(FtpUploaderTest, FrameWhileDisconnectedDoesNothing) {
  run(motion(1));
  EXPECT_EQ(fake.transcript(), (Lines{"open TamblorFTP"}));
  EXPECT_EQ(sink.count(ev::UploadDone{}), 0);
}

TEST_F(FtpUploaderTest, RecoveryGivesUpAfterTenTriesFiveSecondsApart) {
  connect();
  fake.failNth(FtpOperation::Put, 1, FtpResult::failure(FtpError::Refused, "full", 452));
  fake.dropConnection(/*refuseReconnect=*/true);
  run(motion(1));
  Lines expected = {formatText(Text::FtpUploading, "motion_img_00000001.jpg"),
                    formatText(Text::FtpUploadError, 12000 + 8),
                    text(Text::FtpSessionErrorFound), text(Text::FtpReconnecting)};
  for (int i = 1; i <= 10; ++i) {
    expected.push_back(formatText(Text::FtpReconnectTry, i, 10));
    if (i == 1) expected.push_back(text(Text::FtpDisconnecting));
    expected.push_back(formatText(Text::FtpConnecting, "127.0.0.1"));
    expected.push_back(text(Text::FtpConnectError));
  }
  expected.push_back(text(Text::FtpReconnectGaveUp));
  expected.push_back(text(Text::FtpCaptureAndUploadStopped));
  EXPECT_EQ(messages(), expected);
  EXPECT_EQ(sleeper.calls(), 10);
  EXPECT_EQ(sleeper.totalMillis(), 50000);
  EXPECT_EQ(uploader.retryCount(), 10);
  EXPECT_EQ(sink.count(ev::StopAndDisconnect{}), 1);
  EXPECT_EQ(sink.count(ev::StartReconnectCountdown{}), 1);
  // UploadDone comes before recovery starts.
  EXPECT_EQ(sink.events()[1], UploaderEvent{ev::UploadDone{}});

  // A later failure gives up at once, without waiting.
  fake.serverBack();
  sink.setCapturing(true);
  connect();
  fake.failNth(FtpOperation::Put, 1, FtpResult::failure(FtpError::Refused, "full", 452));
  run(motion(2));
  EXPECT_EQ(sleeper.calls(), 10);
  EXPECT_EQ(sink.count(ev::StopAndDisconnect{}), 1);
  EXPECT_EQ(messages()[1], formatText(Text::FtpUploadError, 452));
  EXPECT_EQ(messages().back(), text(Text::FtpCaptureAndUploadStopped));
}

// A server that refuses every STOR: the give-up is said once, no strip
// goes up after it, and the strip the page still names (the stopped page
// cannot replace it) survives the end of the session.
TEST_F(FtpUploaderTest, AfterAGiveUpNothingMoreGoesUpAndThePagesStripStays) {
  connect();
  run(motion(1));
  fake.failAlways(FtpOperation::Put, FtpResult::failure(FtpError::Refused, "no", 550));
  for (std::uint32_t n = 2; n <= 12; ++n) run(motion(n));  // the tenth failure gives up
  const Lines m = messages();
  EXPECT_EQ(std::count(m.begin(), m.end(), text(Text::FtpReconnectGaveUp)), 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), text(Text::FtpCaptureAndUploadStopped)), 1);
  EXPECT_EQ(m.back(), text(Text::FtpCaptureAndUploadStopped)) << "nothing after the stop";
  EXPECT_EQ(sink.count(ev::StopAndDisconnect{}), 1);

  sink.setCapturing(false);
  run(upload::EndSession{});
  EXPECT_NE(fake.fileContent("/live/currfrme.html").value_or("").find("motion_img_00000001.jpg"),
            std::string::npos);
  EXPECT_TRUE(fake.exists("/live/motion_img_00000001.jpg"));
}

TEST_F(FtpUploaderTest, RecoveryStopsAtTheFirstSuccessfulReconnect) {
  connect();
  fake.failNth(FtpOperation::Put, 1, FtpResult::failure(FtpError::Refused, "no", 550));
  fake.failNth(FtpOperation::Connect, 1, FtpResult::failure(FtpError::ConnectFailed, "no"));
  run(motion(1));
  EXPECT_EQ(uploader.retryCount(), 2);
  EXPECT_EQ(sleeper.calls(), 2);
  EXPECT_TRUE(uploader.IsConnected());
  EXPECT_EQ(sink.count(ev::StopAndDisconnect{}), 0);
  EXPECT_EQ(messages().back(), text(Text::FtpListingDone));
  // The next good motion upload sets the counter back.
  run(motion(2));
  EXPECT_EQ(uploader.retryCount(), 0);
}

TEST_F(FtpUploaderTest, NoRecoveryAttemptOnceCaptureHasStopped) {
  connect();
  sink.setCapturing(false);
  fake.failNth(FtpOperation::Put, 1, FtpResult::failure(FtpError::Refused, "no", 550));
  run(motion(1));
  EXPECT_EQ(messages(), (Lines{formatText(Text::FtpUploading, "motion_img_00000001.jpg"),
                               formatText(Text::FtpUploadError, 550),
                               text(Text::FtpSessionErrorFound), text(Text::FtpReconnecting)}));
  EXPECT_EQ(uploader.retryCount(), 0);
  EXPECT_EQ(sleeper.calls(), 0);
}

TEST_F(FtpUploaderTest, TimedReconnectClearsStripsAndRestartsCapture) {
  fake.addFile("/live/motion_img_00000001.jpg");
  fake.addFile("/live/still_img_latest.jpg");
  sink.setCapturing(false);
  run(upload::Reconnect{});
  auto m = messages();
  EXPECT_NE(std::find(m.begin(), m.end(), text(Text::FtpClearingClips)), m.end());
  EXPECT_EQ(m.back(), text(Text::FtpReconnectedCapturing));
  EXPECT_TRUE(sink.capturing()) << "sending started again";
  EXPECT_EQ(sink.count(ev::StopReconnectCountdown{}), 1);
  EXPECT_FALSE(fake.exists("/live/motion_img_00000001.jpg"));
  EXPECT_TRUE(fake.exists("/live/still_img_latest.jpg"));

  // Failing to connect reschedules.
  uploader.queue(upload::Disconnect{});
  clearAll();
  fake.dropConnection(true);
  run(upload::Reconnect{});
  EXPECT_EQ(messages().back(), text(Text::FtpTimedReconnectError));
  EXPECT_EQ(sink.count(ev::StartReconnectCountdown{}), 1);
}

TEST_F(FtpUploaderTest, EndOfSessionPublishesStoppedPageAndClearsStrips) {
  fake.addFile("/live/motion_img_00000001.jpg");
  fake.addFile("/live/currfrme.html", runningStatusPage({6, "motion_img_00000001.jpg", 1, "", 0}));
  fake.addFile("/live/still_img_bckp_00000001.jpg");
  connect();
  auto a = motion(2);
  auto b = motion(3);
  run(a);
  run(b);
  clearAll();
  run(upload::EndSession{});
  EXPECT_EQ(fake.transcript(),
            (Lines{"put currfrme.html ascii", "pwd", "list", "list",
                   "delete motion_img_00000001.jpg", "delete motion_img_00000002.jpg",
                   "delete motion_img_00000003.jpg", "pwd", "list"}));
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"), stoppedStatusPage());
  EXPECT_TRUE(fake.exists("/live/still_img_bckp_00000001.jpg"));
  EXPECT_FALSE(testing::fileExists(b.localPath));
  EXPECT_EQ(sink.all<ev::ProgressPercent>(),
            (std::vector<ev::ProgressPercent>{{0}, {33}, {66}, {100}}));
  EXPECT_EQ(messages(), (Lines{text(Text::FtpClearingClips), formatText(Text::FtpBuffersDeleted, 3),
                               text(Text::FtpListingStarted), text(Text::FtpListingDone),
                               text(Text::FtpClipsCleared)}));
  EXPECT_EQ(sink.events().back(), UploaderEvent{ev::ClearStopping{}});
  // An emptied folder shows 0, not the old count.
  EXPECT_EQ(sink.last<ev::MotionBufferCount>(), ev::MotionBufferCount{0});
}

TEST_F(FtpUploaderTest, ManualBulkDeletionTouchesOnlyExactMatches) {
  fake.addFile("/live/motion_img_00000001.jpg");
  fake.addFile("/live/still_img_latest.jpg");
  fake.addFile("/live/MOTION_IMG_0000001A.JPG");
  fake.addFile("/live/index.html");
  fake.addDirectory("/live/motion_img_00000002.jpg");
  fake.addListingEntry("/live", {"motion_img_/../../x.jpg", kFtpAttributeNormal, 0, 0, {}});
  fake.addListingEntry("/live", {"still_img_\r\nDELE x.jpg", kFtpAttributeNormal, 0, 0, {}});
  fake.addListingEntry("/live", {std::string(255, 'm'), kFtpAttributeNormal, 0, 0, {}});
  connect();
  run(upload::DeleteAllBuffers{});
  Lines deletes;
  for (const auto& line : fake.transcript()) {
    if (line.rfind("delete", 0) == 0) deletes.push_back(line);
  }
  EXPECT_EQ(deletes, (Lines{"delete motion_img_00000001.jpg", "delete still_img_latest.jpg"}));
  auto m = messages();
  EXPECT_EQ(m.front(), text(Text::FtpDeletingBuffers));
  EXPECT_NE(std::find(m.begin(), m.end(), formatText(Text::FtpFileDeleted, "still_img_latest.jpg")),
            m.end());
  EXPECT_NE(std::find(m.begin(), m.end(), formatText(Text::FtpBuffersDeleted, 2)), m.end());
  EXPECT_TRUE(fake.exists("/live/MOTION_IMG_0000001A.JPG"));
  EXPECT_TRUE(fake.exists("/live/motion_img_00000002.jpg"));
  EXPECT_EQ(uploader.motionBufferCount(), 0);
  EXPECT_EQ(uploader.stillBufferCount(), 0);
}

TEST_F(FtpUploaderTest, ListingShowsFoldersAndKeepsCountsWhenItFails) {
  fake.addDirectory("/live/sub");
  fake.addFile("/live/sub/motion_img_00000001.jpg");
  fake.addFile("/live/motion_img_00000002.jpg");
  fake.addListingEntry("/live", {"hidden", kFtpAttributeDirectory | 2, 0, 0, {}});
  fake.addListingEntry("/live", {"dated", kFtpAttributeDirectory, 0, 0, {2003, 3, 7, 14, 5, 9}});
  run(upload::Connect{});
  auto view = sink.directoryView();
  ASSERT_EQ(view.size(), 2u);
  EXPECT_EQ(view[1].name, "dated");
  EXPECT_EQ(view[1].date, "7/3/2003");
  EXPECT_EQ(uploader.motionBufferCount(), 1);

  sink.clear();
  fake.failNth(FtpOperation::List, 1, FtpResult::failure(FtpError::Refused, "no", 550));
  run(upload::ChangeDirectory{"sub", true});
  EXPECT_EQ(uploader.motionBufferCount(), 1);
  EXPECT_EQ(sink.last<ev::DirectoryLabel>(), ev::DirectoryLabel{"/live/sub"});
  EXPECT_EQ(sink.count(ev::MotionBufferCount{0}), 0) << "a failed listing keeps the counts";
  sink.clear();
  run(upload::ChangeDirectory{"motion_img_00000002.jpg", false});  // a file: nothing
  EXPECT_TRUE(sink.events().empty());
  run(upload::GoUp{});
  EXPECT_EQ(fake.cwd(), "/live");
}

TEST_F(FtpUploaderTest, EachCommandIsActivityAndDisconnectAndHangUpAlwaysHangsUp) {
  connect();
  uploader.queue(upload::DisconnectAndHangUp{});
  uploader.queue(upload::DisconnectAndHangUp{});  // hangs up even when not connected
  uploader.waitUntilDone();
  EXPECT_EQ(fake.transcript(), (Lines{"disconnect"}));
  EXPECT_EQ(sink.events(),
            (std::vector<UploaderEvent>{ev::SessionActivity{}, ev::DirectoryCleared{},
                                        ev::DirectoryLabel{""}, ev::Disconnected{}, ev::HangUp{},
                                        ev::SessionActivity{}, ev::HangUp{}}));
  EXPECT_TRUE(uploader.IsIdle());
}

TEST_F(FtpUploaderTest, SessionCheck) {
  std::vector<bool> answers;
  auto check = [&](bool withLog) {
    run(upload::CheckSession{withLog, [&](bool alive) { answers.push_back(alive); }});
  };
  check(false);
  connect();
  check(true);  // an empty folder still answers
  check(false);
  fake.dropConnection();
  check(true);
  EXPECT_EQ(answers, (std::vector<bool>{false, true, true, false}));
  EXPECT_EQ(messages(), (Lines{text(Text::FtpSessionAlive), text(Text::FtpSessionLost)}));
}

// A picture uploaded after capture has stopped is followed by the stopped
// page, before the capture side hears of the upload.
TEST_F(FtpUploaderTest, StoppedPageFollowsAStripUploadedAfterCaptureStopped) {
  connect();
  run(motion(1));
  clearAll();
  sink.setCapturing(false);
  run(motion(2));
  EXPECT_EQ(fake.transcript(),
            (Lines{"put motion_img_00000002.jpg binary", "put currfrme_new.html ascii",
                   "delete currfrme.html", "rename currfrme_new.html currfrme.html",
                   "put currfrme.html ascii"}));
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"), stoppedStatusPage());
  EXPECT_EQ(sink.events().back(), UploaderEvent{ev::UploadDone{}});
}

// The exit against a server that stopped answering: the strip being stored,
// the stopped page (once, whoever asks for it), the strips' clearing and the
// disconnect share one budget, and the page's failure is said once.
TEST_F(FtpUploaderTest, AtTheExitEverythingSharesOneBudgetAndThePageIsTriedOnce) {
  connect();
  run(motion(1));
  clearAll();
  const std::int64_t start = clock.monotonicMillis();
  fake.freeze(clock, 15000);
  sink.setCapturing(false);
  uploader.beginExit(30000);
  uploader.queue(upload::UploadFrame{motion(2)});
  uploader.queue(upload::EndSession{});
  uploader.queue(upload::StoppedStatus{});
  uploader.queue(upload::Disconnect{});
  uploader.waitUntilDone();
  EXPECT_EQ(clock.monotonicMillis() - start, 30000);
  const Lines calls = fake.transcript();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "put currfrme.html ascii"), 1);
  const Lines m = messages();
  EXPECT_EQ(std::count(m.begin(), m.end(),
                       formatText(Text::FtpStatusPageNotPublished, 12000 + int(FtpError::Timeout))),
            1);
  EXPECT_FALSE(uploader.IsConnected());
}

// Stopping lets what was queued run, but not what that queues in turn (the
// rotation after a strip), and refuses later commands.
TEST_F(FtpUploaderTest, StopWorkerRunsWhatWasQueuedButNothingAfter) {
  connect();
  uploader.queue(upload::UploadFrame{motion(1)});
  uploader.StopWorker();
  EXPECT_TRUE(fake.exists("/live/motion_img_00000001.jpg"));
  for (const auto& line : fake.transcript()) EXPECT_NE(line, "list");
  uploader.queue(upload::Disconnect{});
  EXPECT_TRUE(uploader.IsConnected());
}

TEST(FtpUploaderColumns, DirectoryViewColumns) {
  auto columns = FtpUploader::directoryViewColumns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].heading, text(Text::FtpColumnName));
  EXPECT_EQ(columns[0].width, 116);
  EXPECT_EQ(columns[1].width, 60);
  EXPECT_EQ(columns[2].width, 70);
}

}  // namespace
}  // namespace karone
