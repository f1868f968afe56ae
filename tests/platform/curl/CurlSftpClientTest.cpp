// The libcurl client over SFTP against a real OpenSSH server on 127.0.0.1:
// host keys, log-in, and the operations the uploader needs on one SSH
// connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/curl/CurlFtpClient.h"
#include "tests/support/PasswordSftpServer.h"
#include "tests/support/SshdServer.h"

namespace karone {
namespace {

using ::testing::HasSubstr;
using testing::SshdServer;
using testing::SshdServerOptions;

class CurlSftpClientTest : public ::testing::Test {
 protected:
  explicit CurlSftpClientTest(SshdServerOptions options = {}) : server(options) {}
  void SetUp() override {
    ASSERT_TRUE(server.started()) << server.error();
    ::unsetenv("SSH_AUTH_SOCK");  // never the user's agent
    ASSERT_TRUE(client.openSession("TamblorFTP"));
  }
  CurlFtpOptions options() const {
    CurlFtpOptions o;
    o.connectTimeoutMs = 3000;
    o.responseTimeoutMs = 3000;
    o.requestTimeoutMs = 10000;
    o.homeFolder = server.clientHome();
    o.knownHostsFile = tmp.file("data/known_hosts");
    return o;
  }
  std::string local(const std::string& name, const std::string& bytes) {
    testing::writeFile(tmp.file(name), bytes);
    return tmp.file(name);
  }
  void connect() {
    FtpResult r = client.connect(server.params());
    ASSERT_TRUE(r) << r.text << "\n" << server.log();
  }

  testing::TempDir tmp;
  SshdServer server;
  CurlFtpClient client{options()};
};

const FtpFileEntry* find(const std::vector<FtpFileEntry>& entries, const std::string& name) {
  for (const auto& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

TEST_F(CurlSftpClientTest, OneLoginCarriesStoresRenamesDeletesListsAndFetches) {
  connect();
  std::string home;
  ASSERT_TRUE(client.currentDirectory(home));
  EXPECT_EQ(home, "/" + std::string(home).substr(1));  // an absolute path
  ASSERT_TRUE(client.setCurrentDirectory(server.folder()));
  const std::string bytes("\xff\xd8jpeg\r\n\x00 bytes", 15);
  ASSERT_TRUE(client.putFile(local("a.jpg", bytes), "motion img.jpg", FtpTransferMode::Binary));
  EXPECT_EQ(testing::readFile(server.folder() + "/motion img.jpg"), bytes);
  ASSERT_TRUE(client.putFile(local("p.html", "page"), "new \"page\".html", FtpTransferMode::Ascii));
  // The server's rename does not replace a file: delete first, as the
  // uploader does.
  testing::writeFile(server.folder() + "/page.html", "old");
  EXPECT_FALSE(client.renameFile("new \"page\".html", "page.html"));
  ASSERT_TRUE(client.deleteFile("page.html"));
  ASSERT_TRUE(client.renameFile("new \"page\".html", "page.html"));
  std::string fetched;
  ASSERT_TRUE(client.getFile("page.html", fetched, 100));
  EXPECT_EQ(fetched, "page");

  std::vector<FtpFileEntry> entries;
  ::mkdir((server.folder() + "/sub").c_str(), 0755);
  ASSERT_TRUE(client.listDirectory(entries));
  ASSERT_EQ(entries.size(), 3u);
  ASSERT_NE(find(entries, "motion img.jpg"), nullptr);
  EXPECT_EQ(find(entries, "motion img.jpg")->size(), bytes.size());
  EXPECT_EQ(find(entries, "motion img.jpg")->attributes, kFtpAttributeNormal);
  EXPECT_GE(find(entries, "motion img.jpg")->lastWrite.year, 2020);
  EXPECT_EQ(find(entries, "sub")->attributes, kFtpAttributeDirectory);

  EXPECT_EQ(client.deleteFile("missing.jpg").error, FtpError::NotFound);
  EXPECT_FALSE(client.setCurrentDirectory("missing"));
  std::string still;
  ASSERT_TRUE(client.currentDirectory(still));
  EXPECT_EQ(still, server.folder());
  ASSERT_TRUE(client.setCurrentDirectory("sub"));
  ASSERT_TRUE(client.listDirectory(entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(client.loginsMade(), 1);
  // Too large a file ends its transfer (and the connection with it).
  EXPECT_EQ(client.getFile(server.folder() + "/page.html", fetched, 2).error, FtpError::Refused);
  EXPECT_TRUE(fetched.empty());
}

TEST_F(CurlSftpClientTest, RestartedServerIsLoggedIntoAgainKilledOneFails) {
  connect();
  ASSERT_TRUE(client.setCurrentDirectory(server.folder()));
  ASSERT_TRUE(server.restart());
  ASSERT_TRUE(client.putFile(local("a", "x"), "a.jpg", FtpTransferMode::Binary));
  EXPECT_EQ(testing::readFile(server.folder() + "/a.jpg"), "x");
  server.stop();
  std::vector<FtpFileEntry> entries;
  EXPECT_FALSE(client.listDirectory(entries));
}

TEST_F(CurlSftpClientTest, FrozenServerEndsInATimeOut) {
  CurlFtpOptions o = options();
  o.requestTimeoutMs = 1500;  // libcurl's SSH waits are bounded by the request cap
  CurlFtpClient bounded(o);
  ASSERT_TRUE(bounded.openSession("TamblorFTP"));
  ASSERT_TRUE(bounded.connect(server.params()));
  server.freeze();
  std::vector<FtpFileEntry> entries;
  FtpResult r = bounded.listDirectory(entries);
  server.thaw();
  EXPECT_FALSE(r);
}

TEST_F(CurlSftpClientTest, TheExitsBudgetCutsAFrozenRequestShort) {
  connect();
  ASSERT_TRUE(client.setCurrentDirectory(server.folder()));
  server.freeze();
  client.setDeadlineIn(200);
  std::vector<FtpFileEntry> entries;
  FtpResult r = client.listDirectory(entries);
  server.thaw();
  EXPECT_EQ(r.error, FtpError::Timeout) << r.text;
  EXPECT_THAT(r.text, HasSubstr("ran out"));
  // Spent: the next request fails at once.
  EXPECT_EQ(client.putFile(local("a", "x"), "a.jpg", FtpTransferMode::Binary).error,
            FtpError::Timeout);
}

TEST_F(CurlSftpClientTest, UnknownHostKeyIsRefusedUntilTrusted) {
  testing::writeFile(server.clientHome() + "/.ssh/known_hosts", "");
  FtpResult r = client.connect(server.params());
  ASSERT_EQ(r.error, FtpError::HostUnknown) << r.text;
  EXPECT_FALSE(client.isConnected());
  auto seen = client.untrustedServer();
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->kind, "ssh-ed25519");
  EXPECT_EQ(seen->fingerprint, server.hostKeyFingerprint());
  EXPECT_EQ(seen->host, server.hostName());
  EXPECT_FALSE(seen->changed());
  EXPECT_THAT(r.text, HasSubstr(server.hostKeyFingerprint()));
  // Nothing was stored, and a key is trusted only as it was shown.
  EXPECT_FALSE(testing::fileExists(tmp.file("data/known_hosts")));
  ServerIdentity other = *seen;
  other.fingerprint = "SHA256:AAAA";
  EXPECT_FALSE(client.trustServer(other));
  ASSERT_TRUE(client.trustServer(*seen));
  EXPECT_THAT(testing::readFile(tmp.file("data/known_hosts")),
              HasSubstr(server.hostName() + " ssh-ed25519 "));
  connect();
}

TEST_F(CurlSftpClientTest, ChangedHostKeyIsRefusedBeforeLoggingIn) {
  ASSERT_TRUE(server.changeHostKey());
  const std::string logBefore = server.log();
  FtpResult r = client.connect(server.params());
  ASSERT_EQ(r.error, FtpError::HostChanged) << r.text;
  auto seen = client.untrustedServer();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(seen->changed());
  EXPECT_EQ(seen->fingerprint, server.hostKeyFingerprint());
  EXPECT_NE(seen->knownFingerprint, seen->fingerprint);
  EXPECT_THAT(r.text, HasSubstr(seen->knownFingerprint));
  EXPECT_FALSE(client.trustServer(*seen));
  // No log-in was attempted.
  EXPECT_THAT(server.log(), ::testing::Not(HasSubstr("Accepted")));
  EXPECT_THAT(server.log(), ::testing::Not(HasSubstr("Failed")));
}

TEST_F(CurlSftpClientTest, KeysAreFoundAsOpenSshFindsThemAndRefusalsSayWhatWasTried) {
  const std::string ssh = server.clientHome() + "/.ssh/";
  // A key of another name is used only when the profile names it.
  ASSERT_EQ(::rename((ssh + "id_ed25519").c_str(), (ssh + "mine").c_str()), 0);
  FtpResult r = client.connect(server.params());
  EXPECT_EQ(r.error, FtpError::LoginFailed);
  EXPECT_THAT(r.text, HasSubstr("tried nothing"));
  FtpConnectParams withKey = server.params();
  withKey.keyFile = ssh + "mine";
  ASSERT_TRUE(client.connect(withKey)) << server.log();
  client.disconnect();

  // A stranger's key is tried and refused; a key with a passphrase is not
  // tried at all.
  ASSERT_TRUE(!testing::commandOutput("ssh-keygen -q -t ed25519 -N '' -f " + ssh +
                                      "id_ecdsa && ssh-keygen -q -t ed25519 -N secret -f " + ssh +
                                      "id_rsa && echo ok")
                   .empty());
  r = client.connect(server.params());
  EXPECT_EQ(r.error, FtpError::LoginFailed);
  EXPECT_THAT(r.text, HasSubstr("offers publickey"));
  EXPECT_THAT(r.text, HasSubstr("tried key " + ssh + "id_ecdsa"));
  EXPECT_THAT(r.text, HasSubstr("passphrase"));
  EXPECT_THAT(r.text, HasSubstr(ssh + "id_rsa"));
}

// Password log-in, on a server that asks for it either way; a refusal
// says what was offered and tried, never the password.
TEST(CurlSftpPasswordTest, PasswordAndKeyboardInteractiveLogIns) {
  ::unsetenv("SSH_AUTH_SOCK");
  for (const char* methods : {"password", "keyboard-interactive"}) {
    testing::PasswordSftpServer server(methods);
    ASSERT_TRUE(server.started()) << server.error();
    CurlFtpOptions o;
    o.homeFolder = server.clientHome();
    o.knownHostsFile = server.clientHome() + "/own";
    CurlFtpClient client(o);
    ASSERT_TRUE(client.openSession("TamblorFTP"));
    FtpConnectParams p = server.params();
    FtpResult r = client.connect(p);
    ASSERT_TRUE(r) << methods << ": " << r.text;
    ASSERT_TRUE(client.putFile(server.clientHome() + "/.ssh/known_hosts", "k.txt",
                               FtpTransferMode::Binary));
    EXPECT_TRUE(testing::fileExists(server.root() + "/k.txt"));
    client.disconnect();

    p.password = "wrong password";
    r = client.connect(p);
    EXPECT_EQ(r.error, FtpError::LoginFailed) << methods;
    EXPECT_THAT(r.text, HasSubstr(std::string("offers ") + methods));
    EXPECT_THAT(r.text, HasSubstr("tried password"));
    EXPECT_THAT(r.text, ::testing::Not(HasSubstr("wrong")));
  }
}

}  // namespace
}  // namespace karone
