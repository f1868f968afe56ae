// The publishing dialogue over each protocol the client speaks, on real
// servers: FTP (our pyftpdlib server) and SFTP (OpenSSH). What the uploader
// promises is the same on both, so the checks are on the files the server
// ends up with and on the uploader's own account; the exact FTP commands
// are checked in UploaderOnServersTest.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <memory>

#include "ftp/StatusPage.h"
#include "tests/ftp/servers/UploaderRig.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/SshdServer.h"

namespace karone {
namespace {

namespace ev = upload_event;
using testing::Rig;

// A server for the suite: where its upload folder is, and the faults a
// server really has (killed, restarted, frozen).
class Server {
 public:
  virtual ~Server() = default;
  virtual bool started() const = 0;
  virtual std::string error() const = 0;
  virtual FtpConnectParams params() const = 0;
  virtual std::string folder() const = 0;          // the upload folder, as the client names it
  virtual std::string onDisk(const std::string& name) const = 0;
  virtual CurlFtpOptions options() const { return testing::shortTimeouts(); }
  virtual void kill() = 0;
  virtual bool restart() = 0;
  virtual void freeze() = 0;
  virtual void thaw() = 0;
};

class FtpServer final : public Server {
 public:
  FtpServer() { ::mkdir((server_.root() + "/live").c_str(), 0755); }
  bool started() const override { return server_.started(); }
  std::string error() const override { return server_.error(); }
  FtpConnectParams params() const override { return server_.params(); }
  std::string folder() const override { return "/live"; }
  std::string onDisk(const std::string& name) const override {
    return server_.root() + "/live/" + name;
  }
  void kill() override {
    testing::PyFtpServer::Faults die;
    die.dieOn = "*";
    server_.setFaults(die);
  }
  bool restart() override { return server_.restart(); }
  void freeze() override {
    testing::PyFtpServer::Faults freeze;
    freeze.freezeOn = "*";
    freeze.freezeGreeting = true;
    server_.setFaults(freeze);
  }
  void thaw() override { server_.clearFaults(); }

 private:
  testing::PyFtpServer server_;
};

class SftpServer final : public Server {
 public:
  SftpServer() { ::mkdir(folder().c_str(), 0755); }
  bool started() const override { return server_.started(); }
  std::string error() const override { return server_.error(); }
  FtpConnectParams params() const override { return server_.params(); }
  std::string folder() const override { return server_.folder() + "/live"; }
  std::string onDisk(const std::string& name) const override { return folder() + "/" + name; }
  CurlFtpOptions options() const override {
    CurlFtpOptions o = testing::shortTimeouts();
    o.requestTimeoutMs = 3000;  // the bound of a frozen SSH server
    o.homeFolder = server_.clientHome();
    o.knownHostsFile = server_.clientHome() + "/own_known_hosts";
    return o;
  }
  void kill() override { server_.stop(); }
  bool restart() override { return server_.restart(); }
  void freeze() override { server_.freeze(); }
  void thaw() override { server_.thaw(); }

 private:
  testing::SshdServer server_;
};

class PublishOverProtocols : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ::unsetenv("SSH_AUTH_SOCK");
    if (GetParam() == "sftp") {
      server = std::make_unique<SftpServer>();
    } else {
      server = std::make_unique<FtpServer>();
    }
    ASSERT_TRUE(server->started()) << server->error();
    rig = std::make_unique<Rig>(server->params(), server->folder(), server->options());
  }
  std::string onDisk(const std::string& name) const { return server->onDisk(name); }

  std::unique_ptr<Server> server;
  std::unique_ptr<Rig> rig;
};

TEST_P(PublishOverProtocols, StripsRotateAndThePageIsReplacedWhole) {
  testing::writeFile(onDisk("motion_img_00000010.jpg"), "not ours");
  testing::writeFile(onDisk("currfrme.html"), "old page");
  rig->sink.setBufferClipLimit(2);
  rig->connect();
  EXPECT_EQ(rig->uploader.motionBufferCount(), 1);
  const std::string jpeg("\xff\xd8jpeg\r\n\x00", 9);
  for (std::uint32_t n = 0x1a; n <= 0x1d; ++n) {
    const std::string name = motionFrameName(n);
    rig->run(rig->frame(0, name, n, jpeg + name));
    EXPECT_EQ(testing::readFile(onDisk("currfrme.html")),
              runningStatusPage({6, name, 1, "", 0}))
        << name;
    EXPECT_FALSE(testing::fileExists(onDisk("currfrme_new.html")));
  }
  // The newest two are kept, older ones (ours and the one left from before)
  // deleted.
  EXPECT_EQ(testing::readFile(onDisk("motion_img_0000001d.jpg")), jpeg + "motion_img_0000001d.jpg");
  EXPECT_TRUE(testing::fileExists(onDisk("motion_img_0000001c.jpg")));
  EXPECT_FALSE(testing::fileExists(onDisk("motion_img_0000001b.jpg")));
  EXPECT_FALSE(testing::fileExists(onDisk("motion_img_0000001a.jpg")));
  EXPECT_FALSE(testing::fileExists(onDisk("motion_img_00000010.jpg")));
  for (const auto& m : rig->messages()) EXPECT_FALSE(testing::isErrorLine(m)) << m;
  EXPECT_EQ(rig->client.loginsMade(), 1) << "one connection for the session";
}

TEST_P(PublishOverProtocols, StillPicturesKeepTheirBackupsAndTheSessionEnds) {
  rig->connect();
  for (std::uint32_t n : {5u, 6u}) {
    auto still = rig->frame(1, "still_img_latest.jpg", n, "still " + std::to_string(n));
    still.keepPrevious = true;
    rig->run(still);
  }
  EXPECT_EQ(testing::readFile(onDisk("still_img_bckp_00000006.jpg")), "still 5");
  EXPECT_EQ(testing::readFile(onDisk("still_img_latest.jpg")), "still 6");
  EXPECT_EQ(rig->uploader.stillBufferCount(), 0);  // counted at the next listing

  rig->uploader.queue(upload::DeleteAllBuffers{});
  rig->uploader.waitUntilDone();
  EXPECT_FALSE(testing::fileExists(onDisk("still_img_latest.jpg")));
  EXPECT_FALSE(testing::fileExists(onDisk("still_img_bckp_00000006.jpg")));
  rig->uploader.queue(upload::EndSession{});
  rig->uploader.waitUntilDone();
  EXPECT_EQ(testing::readFile(onDisk("currfrme.html")), stoppedStatusPage());
}

TEST_P(PublishOverProtocols, KilledServerIsTakenUpAgainWhenItComesBack) {
  rig->connect();
  rig->run(rig->frame(0, motionFrameName(1), 1, "one"));
  server->kill();
  // The server comes back after the first failed attempt.
  rig->sink.onEvent([&](const UploaderEvent& e) {
    if (e == UploaderEvent{ev::SessionOpened{false}}) server->restart();
  });
  rig->run(rig->frame(0, motionFrameName(2), 2, "two"));
  rig->sink.onEvent({});
  EXPECT_TRUE(rig->logged(formatText(Text::FtpReconnectTry, 1, 10)));
  EXPECT_TRUE(rig->uploader.IsConnected());
  EXPECT_EQ(rig->sink.count(ev::StopAndDisconnect{}), 0);
  rig->run(rig->frame(0, motionFrameName(3), 3, "three"));
  EXPECT_EQ(testing::readFile(onDisk(motionFrameName(3))), "three");
  EXPECT_EQ(testing::readFile(onDisk("currfrme.html")),
            runningStatusPage({6, motionFrameName(3), 1, "", 0}));
}

TEST_P(PublishOverProtocols, FrozenServerIsBoundedByTheTimeOut) {
  rig->connect();
  server->freeze();
  rig->sink.onEvent([&](const UploaderEvent& e) {
    if (e == UploaderEvent{ev::SessionOpened{false}}) server->thaw();
  });
  rig->run(rig->frame(0, motionFrameName(1), 1, "x"));
  rig->sink.onEvent({});
  server->thaw();
  EXPECT_TRUE(rig->logged(formatText(Text::FtpReconnectTry, 1, 10)));
  EXPECT_TRUE(rig->uploader.IsConnected());
  EXPECT_EQ(rig->sink.count(ev::StopAndDisconnect{}), 0);
}

// The operator decides about a server nothing trusts yet; a changed key is
// never offered.
TEST(UploaderHostKeys, UnknownKeyIsAskedAboutChangedKeyIsRefused) {
  ::unsetenv("SSH_AUTH_SOCK");
  testing::SshdServer server({.trustedByUser = false});
  ASSERT_TRUE(server.started()) << server.error();
  CurlFtpOptions options = testing::shortTimeouts();
  options.homeFolder = server.clientHome();
  options.knownHostsFile = server.clientHome() + "/own_known_hosts";
  Rig rig(server.params(), server.folder(), options);
  const std::string fingerprint = server.hostKeyFingerprint();
  rig.sink.prompter().queueAnswer(PromptAnswer::No);
  rig.uploader.queue(upload::Connect{});
  rig.uploader.waitUntilDone();
  EXPECT_FALSE(rig.uploader.IsConnected());
  ASSERT_EQ(rig.sink.prompter().prompts().size(), 1u);
  EXPECT_NE(rig.sink.prompter().prompts()[0].text.find(fingerprint), std::string::npos);
  EXPECT_NE(rig.sink.prompter().prompts()[0].text.find("ssh-ed25519"), std::string::npos);
  EXPECT_FALSE(testing::fileExists(options.knownHostsFile));

  rig.sink.prompter().queueAnswer(PromptAnswer::Yes);
  rig.connect();
  EXPECT_NE(testing::readFile(options.knownHostsFile).find(server.hostName()), std::string::npos);

  rig.uploader.queue(upload::Disconnect{});
  rig.uploader.waitUntilDone();
  rig.sink.prompter().clear();
  ASSERT_TRUE(server.changeHostKey());
  rig.uploader.queue(upload::Connect{});
  rig.uploader.waitUntilDone();
  EXPECT_FALSE(rig.uploader.IsConnected());
  EXPECT_TRUE(rig.sink.prompter().prompts().empty());
  EXPECT_TRUE(rig.logged(formatText(Text::FtpHostKeyChanged, server.hostName().c_str(),
                                    server.hostKeyFingerprint().c_str(), fingerprint.c_str())));
}

INSTANTIATE_TEST_SUITE_P(Protocols, PublishOverProtocols, ::testing::Values("ftp", "sftp"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace karone
