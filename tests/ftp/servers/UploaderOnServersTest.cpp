// The uploader on the libcurl client against real FTP servers on 127.0.0.1.
// Transcripts are reduced to the commands that carry the uploader's own
// decisions (logins, STOR, DELE, RNFR, RNTO, LIST); the client's transport
// commands (EPSV, TYPE, CWD, PWD) are its own business and tested with it.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "ftp/MemoryLogView.h"
#include "ftp/StatusPage.h"
#include "platform/curl/CurlFtpClient.h"
#include "resources/Texts.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/VsftpdServer.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"
#include "tests/doubles/RecordingUploaderSink.h"
#include "tests/ftp/servers/UploaderRig.h"

namespace karone {
namespace {

using Lines = std::vector<std::string>;
namespace ev = upload_event;
using testing::Rig;
using testing::isErrorLine;

Lines decisions(const testing::PyFtpServer& server) {
  Lines out;
  for (const auto& c : server.commands()) {
    for (const char* verb : {"USER", "STOR", "RETR", "DELE", "RNFR", "RNTO", "LIST"}) {
      if (c.rfind(verb, 0) == 0) out.push_back(c);
    }
  }
  return out;
}

class UploaderOnPyFtpd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.started()) << server.error();
    ::mkdir((server.root() + "/live").c_str(), 0755);
  }
  std::string onDisk(const std::string& name) { return server.root() + "/live/" + name; }

  testing::PyFtpServer server;
};

TEST_F(UploaderOnPyFtpd, MotionStripPublishesThePageAndRotates) {
  testing::writeFile(onDisk("motion_img_00000010.jpg"), "old");
  testing::writeFile(onDisk("currfrme.html"), "old page");
  Rig rig(server.params(), "/live");
  rig.sink.setCaption({"ライブ中", 0x0000ff});
  rig.connect();
  server.clearTranscript();
  rig.run(rig.frame(0, "motion_img_0000001a.jpg", 0x1a, std::string("\xff\xd8jpeg\r\n\x00", 9)));
  // The first strip of the session: the old page names no strip, so the
  // strips left on the server are not ours to keep.
  EXPECT_EQ(decisions(server),
            (Lines{"STOR /live/motion_img_0000001a.jpg", "RETR /live/currfrme.html",
                   "STOR /live/currfrme_new.html", "DELE /live/currfrme.html",
                   "RNFR /live/currfrme_new.html", "RNTO /live/currfrme.html", "LIST",
                   "DELE /live/motion_img_00000010.jpg"}));
  EXPECT_EQ(server.logins(), 0) << "the control connection is kept";
  EXPECT_EQ(testing::readFile(onDisk("motion_img_0000001a.jpg")),
            std::string("\xff\xd8jpeg\r\n\x00", 9));
  EXPECT_EQ(testing::readFile(onDisk("currfrme.html")),
            runningStatusPage({6, "motion_img_0000001a.jpg", 1, "ライブ中", 0x0000ff}));
  EXPECT_FALSE(testing::fileExists(onDisk("currfrme_new.html")));
  EXPECT_FALSE(testing::fileExists(onDisk("motion_img_00000010.jpg")));
  EXPECT_TRUE(rig.logged(formatText(Text::FtpFileDeleted, "motion_img_00000010.jpg")));
}

TEST_F(UploaderOnPyFtpd, StillPictureWithBackup) {
  Rig rig(server.params(), "/live");
  rig.connect();
  server.clearTranscript();
  auto still = rig.frame(1, "still_img_latest.jpg", 5, "first");
  still.keepPrevious = true;
  rig.run(still);  // nothing to keep yet: the rename fails quietly
  still = rig.frame(1, "still_img_latest.jpg", 6, "second");
  still.keepPrevious = true;
  rig.run(still);
  EXPECT_EQ(decisions(server),
            (Lines{"RNFR /live/still_img_latest.jpg", "RNTO /live/still_img_bckp_00000005.jpg",
                   "STOR /live/still_img_latest.jpg",
                   "RNFR /live/still_img_latest.jpg", "RNTO /live/still_img_bckp_00000006.jpg",
                   "STOR /live/still_img_latest.jpg"}));
  EXPECT_EQ(testing::readFile(onDisk("still_img_bckp_00000006.jpg")), "first");
  EXPECT_EQ(testing::readFile(onDisk("still_img_latest.jpg")), "second");
  EXPECT_FALSE(testing::fileExists(onDisk("currfrme.html")));
  for (const auto& m : rig.messages()) EXPECT_FALSE(isErrorLine(m)) << m;
}

TEST_F(UploaderOnPyFtpd, EndOfSessionAndManualDeletion) {
  testing::writeFile(onDisk("motion_img_00000001.jpg"), "m");
  testing::writeFile(onDisk("still_img_latest.jpg"), "s");
  testing::writeFile(onDisk("MOTION_IMG_00000002.JPG"), "look-alike");
  Rig rig(server.params(), "/live");
  rig.connect();
  EXPECT_EQ(rig.uploader.motionBufferCount(), 1);
  EXPECT_EQ(rig.uploader.stillBufferCount(), 1);
  server.clearTranscript();
  rig.uploader.queue(upload::EndSession{});
  rig.uploader.waitUntilDone();
  EXPECT_EQ(decisions(server), (Lines{"STOR /live/currfrme.html", "LIST", "LIST",
                                      "DELE /live/motion_img_00000001.jpg", "LIST"}));
  EXPECT_EQ(testing::readFile(onDisk("currfrme.html")), stoppedStatusPage());
  EXPECT_EQ(rig.sink.events().back(), UploaderEvent{ev::ClearStopping{}});

  server.clearTranscript();
  rig.uploader.queue(upload::DeleteAllBuffers{});
  rig.uploader.waitUntilDone();
  EXPECT_EQ(decisions(server), (Lines{"LIST", "LIST", "DELE /live/still_img_latest.jpg", "LIST"}));
  EXPECT_TRUE(testing::fileExists(onDisk("MOTION_IMG_00000002.JPG")));
  EXPECT_EQ(rig.uploader.stillBufferCount(), 0);
}

TEST_F(UploaderOnPyFtpd, HostileListingDeletesOnlyExactMatches) {
  std::string listing;
  auto line = [&](const std::string& name) {
    listing += "-rw-r--r--   1 owner    group          10 Mar 07 14:05 " + name + "\r\n";
  };
  line("motion_img_00000001.jpg");
  line("MOTION_IMG_0000001A.JPG");
  line("motion_img_0000\x01" "01a.jpg");
  line(std::string(255, 'm'));
  line("still_img_latest.jpg.bak");
  for (int i = 0; i < 3000; ++i) line("other_" + std::to_string(i) + ".jpg");
  listing += "drwxr-xr-x   2 owner    group        4096 Mar 07 14:05 motion_img_00000002.jpg\r\n";
  const auto listingFile = server.root() + "/../listing.txt";
  testing::writeFile(listingFile, listing);
  Rig rig(server.params(), "/live");
  rig.connect();
  testing::PyFtpServer::Faults faults;
  faults.listingFile = listingFile;
  server.setFaults(faults);
  server.clearTranscript();
  rig.uploader.queue(upload::DeleteAllBuffers{});
  rig.uploader.waitUntilDone();
  Lines deletes;
  for (const auto& c : decisions(server)) {
    if (c.rfind("DELE", 0) == 0) deletes.push_back(c);
  }
  EXPECT_EQ(deletes, (Lines{"DELE /live/motion_img_00000001.jpg"}));
  ASSERT_EQ(rig.sink.directoryView().size(), 1u);
  EXPECT_EQ(rig.sink.directoryView()[0].name, "motion_img_00000002.jpg");
}

TEST_F(UploaderOnPyFtpd, FailedStoreRecoversOnTheNextLogin) {
  Rig rig(server.params(), "/live");
  rig.connect();
  testing::PyFtpServer::Faults faults;
  faults.failStorNth = 1;
  faults.failStorCode = 452;
  server.setFaults(faults);
  rig.run(rig.frame(0, "motion_img_00000001.jpg", 1, "x"));
  EXPECT_TRUE(rig.logged(formatText(Text::FtpUploadError, 452)));
  EXPECT_TRUE(rig.logged(formatText(Text::FtpReconnectTry, 1, 10)));
  EXPECT_EQ(rig.uploader.retryCount(), 1);
  EXPECT_TRUE(rig.uploader.IsConnected());
  EXPECT_EQ(rig.sink.count(ev::StopAndDisconnect{}), 0);
  // The session goes on.
  rig.run(rig.frame(0, "motion_img_00000002.jpg", 2, "y"));
  EXPECT_EQ(rig.uploader.retryCount(), 0);
  EXPECT_EQ(testing::readFile(onDisk("motion_img_00000002.jpg")), "y");
}

TEST_F(UploaderOnPyFtpd, RefusedLoginsGiveUpAfterTenTries) {
  Rig rig(server.params(), "/live");
  rig.connect();
  testing::PyFtpServer::Faults faults;
  faults.failStorNth = 1;
  faults.refuseLogin = true;
  server.setFaults(faults);
  rig.run(rig.frame(0, "motion_img_00000001.jpg", 1, "x"));
  EXPECT_EQ(rig.uploader.retryCount(), 10);
  EXPECT_EQ(rig.sleeper.totalMillis(), 50000);
  EXPECT_EQ(rig.sink.count(ev::SessionOpened{false}), 10);
  EXPECT_EQ(rig.sink.count(ev::StopAndDisconnect{}), 1);
  EXPECT_EQ(rig.sink.count(ev::StartReconnectCountdown{}), 1);
  auto m = rig.messages();
  EXPECT_EQ(Lines(m.end() - 2, m.end()), (Lines{text(Text::FtpReconnectGaveUp),
                                                text(Text::FtpCaptureAndUploadStopped)}));

  // Fifteen minutes later the run controller queues a reconnect.
  server.clearFaults();
  rig.uploader.queue(upload::Reconnect{});
  rig.uploader.waitUntilDone();
  EXPECT_EQ(rig.messages().back(), text(Text::FtpReconnectedCapturing));
  EXPECT_TRUE(rig.sink.capturing());
}

TEST_F(UploaderOnPyFtpd, DroppedConnectionIsTakenUpAgain) {
  Rig rig(server.params(), "/live");
  rig.connect();
  testing::PyFtpServer::Faults drop;
  drop.dropOn = "STOR";
  server.setFaults(drop);
  rig.run(rig.frame(0, "motion_img_00000001.jpg", 1, "x"));
  EXPECT_TRUE(rig.uploader.IsConnected());
  EXPECT_EQ(testing::readFile(onDisk("motion_img_00000001.jpg")), "x");
  EXPECT_EQ(rig.sink.count(ev::StopAndDisconnect{}), 0);
}

// An outage that cuts strip after strip short: each recovery's new session
// sweeps what the cuts left, as the first strip of a session does, so no
// partial strips pile up while none gets through.
TEST_F(UploaderOnPyFtpd, StripsCutShortByAnOutageGoAtEachReconnection) {
  Rig rig(server.params(), "/live");
  rig.sink.setBufferClipLimit(5);
  rig.connect();
  const std::string strip(4000, 's');
  for (std::uint32_t n = 1; n <= 3; ++n) rig.run(rig.frame(0, motionFrameName(n), n, strip));
  // Strips 4 to 6 are each cut short by the server going away; it comes
  // back at the next login attempt.
  auto cut = [&](std::uint32_t n) {
    testing::PyFtpServer::Faults faults;
    faults.dieDuringStorNth = 1;
    faults.dieAfterBytes = 1000;
    faults.dieStorName = motionFrameName(n);
    server.setFaults(faults);
  };
  std::uint32_t next = 4;
  rig.sink.onEvent([&](const UploaderEvent& e) {
    if (e == UploaderEvent{ev::SessionOpened{false}} && server.restart() && next < 6)
      cut(next + 1);
  });
  cut(4);
  for (; next <= 6; ++next) rig.run(rig.frame(0, motionFrameName(next), next, strip));
  rig.sink.onEvent({});
  server.clearFaults();
  ASSERT_TRUE(rig.uploader.IsConnected()) << ::testing::PrintToString(rig.messages());
  // Each reconnection swept what the cut before it left: no pile while no
  // strip gets through.
  for (std::uint32_t n : {4u, 5u, 6u})
    EXPECT_FALSE(testing::fileExists(onDisk(motionFrameName(n))))
        << n << ::testing::PrintToString(rig.messages());
  for (std::uint32_t n : {1u, 2u, 3u}) EXPECT_TRUE(testing::fileExists(onDisk(motionFrameName(n))));
  rig.run(rig.frame(0, motionFrameName(7), 7, strip));
  EXPECT_TRUE(testing::fileExists(onDisk(motionFrameName(3))));
  EXPECT_TRUE(testing::fileExists(onDisk(motionFrameName(7))));
}

// A frozen server: PublishOverProtocols.

TEST(UploaderOnVsftpd, HappyPath) {
  testing::VsftpdServer server;
  if (!server.started()) GTEST_SKIP() << server.error();
  testing::writeFile(server.uploadFolder() + "/motion_img_00000000.jpg", "old");
  Rig rig(server.params(), "/upload");
  rig.sink.setBufferClipLimit(2);
  rig.connect();
  EXPECT_EQ(rig.sink.last<ev::DirectoryLabel>(), ev::DirectoryLabel{"/upload"});
  EXPECT_EQ(rig.uploader.motionBufferCount(), 1);
  rig.run(rig.frame(0, "motion_img_00000001.jpg", 1, "one"));
  rig.run(rig.frame(0, "motion_img_00000002.jpg", 2, "two"));
  EXPECT_FALSE(testing::fileExists(server.uploadFolder() + "/motion_img_00000000.jpg"));
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/currfrme.html"),
            runningStatusPage({6, "motion_img_00000002.jpg", 1, "", 0}));
  auto still = rig.frame(1, "still_img_latest.jpg", 3, "still");
  still.keepPrevious = true;
  rig.run(still);
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/still_img_latest.jpg"), "still");
  rig.uploader.queue(upload::EndSession{});
  rig.uploader.waitUntilDone();
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/currfrme.html"), stoppedStatusPage());
  EXPECT_FALSE(testing::fileExists(server.uploadFolder() + "/motion_img_00000002.jpg"));
  EXPECT_TRUE(testing::fileExists(server.uploadFolder() + "/still_img_latest.jpg"));
  EXPECT_EQ(rig.uploader.motionBufferCount(), 0);
  EXPECT_EQ(rig.uploader.stillBufferCount(), 1);
  for (const auto& m : rig.messages()) EXPECT_FALSE(isErrorLine(m)) << m;
}

}  // namespace
}  // namespace karone
