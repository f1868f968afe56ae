// The libcurl client against our fault-injecting pyftpdlib server.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/curl/CurlFtpClient.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/SshdServer.h"
#include "tests/support/TestCertificate.h"

namespace karone {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using testing::PyFtpServer;
using testing::PyFtpServerOptions;

CurlFtpOptions fastOptions(std::string caFile = {}) {
  CurlFtpOptions o;
  o.connectTimeoutMs = 1500;
  o.responseTimeoutMs = 1000;
  o.requestTimeoutMs = 3000;
  o.caFile = std::move(caFile);
  return o;
}

// Commands from the first PWD on (login and TLS set-up left out).
std::vector<std::string> afterLogin(const std::vector<std::string>& commands) {
  auto it = std::find(commands.begin(), commands.end(), "PWD");
  return it == commands.end() ? std::vector<std::string>{}
                              : std::vector<std::string>(it + 1, commands.end());
}

const FtpFileEntry* find(const std::vector<FtpFileEntry>& entries, const std::string& name) {
  for (const auto& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

class CurlFtpClientPyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.started()) << server.error();
    ASSERT_TRUE(ftp.openSession("TamblorFTP"));
  }
  void TearDown() override {
    if (HasFailure()) {
      for (const auto& line : server.transcript()) std::cerr << "  server saw: " << line << "\n";
    }
  }
  std::string local(const std::string& name, const std::string& bytes) {
    testing::writeFile(tmp.file(name), bytes);
    return tmp.file(name);
  }
  void connect() {
    FtpResult r = ftp.connect(server.params());
    ASSERT_TRUE(r) << r.text;
  }

  PyFtpServer server;
  testing::TempDir tmp;
  CurlFtpClient ftp{fastOptions()};
};

TEST_F(CurlFtpClientPyTest, RefusedConnectsReportWhyAndLeaveNoConnection) {
  struct Row {
    const char* name;
    std::function<FtpConnectParams()> params;
    std::function<void()> prepare;
    FtpError error;
  };
  const Row rows[] = {
      {"wrong password", [&] { auto p = server.params(); p.password = "nope"; return p; }, [] {},
       FtpError::LoginFailed},
      {"login refused", [&] { return server.params(); },
       [&] { PyFtpServer::Faults f; f.refuseLogin = true; server.setFaults(f); },
       FtpError::LoginFailed},
      {"nobody listening", [&] { auto p = server.params(); p.port = testing::freeLocalPort(); return p; },
       [&] { server.clearFaults(); }, FtpError::ConnectFailed},
      {"other scheme", [&] { auto p = server.params(); p.address = "http://127.0.0.1"; return p; },
       [] {}, FtpError::BadAddress},
      {"port in address", [&] { auto p = server.params(); p.address = "127.0.0.1:21"; return p; },
       [] {}, FtpError::BadAddress},
      {"space in host", [&] { auto p = server.params(); p.address = "ftp://a b"; return p; }, [] {},
       FtpError::BadAddress},
      {"empty", [&] { auto p = server.params(); p.address = " "; return p; }, [] {},
       FtpError::BadAddress},
  };
  for (const Row& row : rows) {
    row.prepare();
    FtpResult r = ftp.connect(row.params());
    EXPECT_EQ(r.error, row.error) << row.name << ": " << r.text;
    EXPECT_FALSE(r.text.empty()) << row.name;
    EXPECT_FALSE(ftp.isConnected()) << row.name;
  }
  std::vector<FtpFileEntry> entries;
  EXPECT_EQ(ftp.listDirectory(entries).error, FtpError::NotConnected);

  CurlFtpClient noSession(fastOptions());
  EXPECT_EQ(noSession.connect(server.params()).error, FtpError::NoSession);
}

// A line break in a stored text would end the command and start another
// one of the sender's choosing: nothing holding one is ever sent.
TEST_F(CurlFtpClientPyTest, LineBreaksNeverReachTheServer) {
  struct Row {
    const char* name;
    FtpConnectParams params;
  };
  auto with = [&](std::string FtpConnectParams::*field, const std::string& value) {
    auto p = server.params();
    p.*field = value;
    return p;
  };
  const Row rows[] = {
      {"password", with(&FtpConnectParams::password, "secret\r\nMKD injected")},
      {"password LF", with(&FtpConnectParams::password, "secret\nMKD injected")},
      {"user", with(&FtpConnectParams::user, "karone\r\nMKD injected")},
      {"address", with(&FtpConnectParams::address, "127.0.0.1\r\nMKD injected")},
      {"NUL", with(&FtpConnectParams::password, std::string("secret\0MKD", 10))},
  };
  for (const Row& row : rows) {
    FtpResult r = ftp.connect(row.params);
    EXPECT_EQ(r.error, FtpError::BadText) << row.name << ": " << r.text;
    EXPECT_FALSE(ftp.isConnected());
  }
  connect();
  for (const std::string& name : {std::string("x\rMKD injected"), std::string("x\nMKD injected")}) {
    EXPECT_EQ(ftp.deleteFile(name).error, FtpError::BadText);
    EXPECT_EQ(ftp.renameFile("a", name).error, FtpError::BadText);
    EXPECT_EQ(ftp.renameFile(name, "a").error, FtpError::BadText);
    std::string bytes;
    EXPECT_EQ(ftp.getFile(name, bytes, 100).error, FtpError::BadText);
  }
  EXPECT_FALSE(testing::fileExists(server.root() + "/injected"));
  for (const auto& c : server.commands()) EXPECT_EQ(c.find("MKD"), std::string::npos) << c;
  EXPECT_EQ(server.logins(), 1);
}

TEST_F(CurlFtpClientPyTest, GetFileFetchesSmallFilesOnly) {
  testing::writeFile(server.root() + "/currfrme.html", "ServRun=1\nCurr=motion_img_00000001.jpg\n");
  connect();
  std::string bytes;
  ASSERT_TRUE(ftp.getFile("currfrme.html", bytes, 1000));
  EXPECT_EQ(bytes, "ServRun=1\nCurr=motion_img_00000001.jpg\n");
  FtpResult missing = ftp.getFile("nothing.html", bytes, 1000);
  EXPECT_EQ(missing.error, FtpError::NotFound) << missing.text;
  EXPECT_TRUE(bytes.empty());
  FtpResult large = ftp.getFile("currfrme.html", bytes, 10);
  EXPECT_EQ(large.error, FtpError::Refused) << large.text;
  EXPECT_TRUE(bytes.empty());
  // The connection goes on.
  EXPECT_TRUE(ftp.getFile("currfrme.html", bytes, 1000));
  EXPECT_TRUE(ftp.putFile(local("f", "x"), "f.jpg", FtpTransferMode::Binary));
}

TEST_F(CurlFtpClientPyTest, LoginFailureKeepsTheReplyCode) {
  auto p = server.params();
  p.password = "nope";
  FtpResult r = ftp.connect(p);
  EXPECT_EQ(r.code(), 530);
  EXPECT_THAT(ftp.lastResponseText(), ::testing::StartsWith("530"));
}

TEST_F(CurlFtpClientPyTest, DirectoryIsOurOwnStateAndCommandsNameAbsolutePaths) {
  ::mkdir((server.root() + "/www").c_str(), 0755);
  ::mkdir((server.root() + "/www/cam 1").c_str(), 0755);
  connect();
  std::string cwd;
  ASSERT_TRUE(ftp.currentDirectory(cwd));
  EXPECT_EQ(cwd, "/");
  EXPECT_TRUE(ftp.setCurrentDirectory("www"));
  EXPECT_TRUE(ftp.setCurrentDirectory("cam 1"));
  ASSERT_TRUE(ftp.currentDirectory(cwd));
  EXPECT_EQ(cwd, "/www/cam 1");
  FtpResult missing = ftp.setCurrentDirectory("../nothing");
  EXPECT_EQ(missing.error, FtpError::NotFound) << missing.text;
  EXPECT_EQ(missing.code(), 550);
  ASSERT_TRUE(ftp.currentDirectory(cwd));
  EXPECT_EQ(cwd, "/www/cam 1");  // unchanged
  EXPECT_TRUE(ftp.setCurrentDirectory(".."));
  EXPECT_TRUE(ftp.putFile(local("f.jpg", "JPEG"), "f.jpg", FtpTransferMode::Binary));
  EXPECT_EQ(testing::readFile(server.root() + "/www/f.jpg"), "JPEG");
  EXPECT_TRUE(ftp.setCurrentDirectory("/"));
  EXPECT_EQ(ftp.setCurrentDirectory("a\r\nDELE f.jpg").error, FtpError::BadText);

  EXPECT_THAT(afterLogin(server.commands()),
              ElementsAre("CWD /www", "CWD /www/cam 1", "CWD /www/nothing", "CWD /www", "EPSV",
                          "TYPE I", "STOR /www/f.jpg", "CWD /"));
  EXPECT_EQ(server.logins(), 1);  // a refused CWD keeps the connection
}

TEST_F(CurlFtpClientPyTest, PutStoresBytesUnchangedInBothModes) {
  ::mkdir((server.root() + "/www").c_str(), 0755);
  connect();
  ASSERT_TRUE(ftp.setCurrentDirectory("www"));
  const std::string page =
      "<meta http-equiv='pragma' content='no-cache'>\n"
      "<meta http-equiv='Cache-Control' content='no-cache'>\n\nServRun=0\n";
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  binary += "\r\n\n\r";
  struct Row {
    const char* name;
    std::string bytes;
    FtpTransferMode mode;
  };
  const Row rows[] = {
      {"currfrme.html", page, FtpTransferMode::Ascii},
      {"crlf.txt", "a\r\nb\r\n", FtpTransferMode::Ascii},
      {"motion_img_00000001.jpg", binary, FtpTransferMode::Binary},
      {"empty.jpg", "", FtpTransferMode::Binary},
      {"name with spaces.jpg", "x", FtpTransferMode::Binary},
  };
  for (const Row& row : rows) {
    FtpResult r = ftp.putFile(local("src", row.bytes), row.name, row.mode);
    EXPECT_TRUE(r) << row.name << ": " << r.text;
    EXPECT_EQ(testing::readFile(server.root() + "/www/" + row.name), row.bytes) << row.name;
  }
  // Replacing an existing file.
  ASSERT_TRUE(ftp.putFile(local("src", "new"), "currfrme.html", FtpTransferMode::Ascii));
  EXPECT_EQ(testing::readFile(server.root() + "/www/currfrme.html"), "new");

  FtpResult noFile = ftp.putFile(tmp.file("missing.jpg"), "m.jpg", FtpTransferMode::Binary);
  EXPECT_EQ(noFile.error, FtpError::LocalFile);
  EXPECT_EQ(ftp.putFile(local("src", "x"), "a\nb", FtpTransferMode::Binary).error,
            FtpError::BadText);
  EXPECT_EQ(server.logins(), 1);
}

TEST_F(CurlFtpClientPyTest, DeleteAndRenameKeepTheConnectionWhenRefused) {
  testing::writeFile(server.root() + "/currfrme_new.html", "page");
  connect();
  EXPECT_TRUE(ftp.renameFile("currfrme_new.html", "currfrme.html"));
  FtpResult gone = ftp.deleteFile("currfrme_new.html");
  EXPECT_EQ(gone.error, FtpError::NotFound);
  EXPECT_EQ(gone.code(), 550);
  FtpResult noSource = ftp.renameFile("still_img_latest.jpg", "still_img_bckp_00000001.jpg");
  EXPECT_FALSE(noSource);
  EXPECT_EQ(noSource.code(), 550);
  EXPECT_TRUE(ftp.deleteFile("currfrme.html"));
  EXPECT_FALSE(testing::fileExists(server.root() + "/currfrme.html"));
  EXPECT_THAT(afterLogin(server.commands()),
              ElementsAre("RNFR /currfrme_new.html", "RNTO /currfrme.html",
                          "DELE /currfrme_new.html", "RNFR /still_img_latest.jpg",
                          "RNTO /still_img_bckp_00000001.jpg", "DELE /currfrme.html"));
  EXPECT_EQ(server.logins(), 1);
  EXPECT_EQ(ftp.loginsMade(), 1);
}

TEST_F(CurlFtpClientPyTest, ListsNamesKindsSizesAndDates) {
  std::string www = server.root() + "/www";
  ::mkdir(www.c_str(), 0755);
  ::mkdir((www + "/sub dir").c_str(), 0755);
  testing::writeFile(www + "/name with  spaces.jpg", "12345");
  testing::writeFile(www + "/.hidden", "");
  ASSERT_EQ(::truncate((www + "/big.bin").c_str(), 0), -1);  // missing yet
  testing::writeFile(www + "/big.bin", "");
  ASSERT_EQ(::truncate((www + "/big.bin").c_str(), 0x1'2345'6789LL), 0);  // sparse
  ASSERT_EQ(::symlink("big.bin", (www + "/link").c_str()), 0);
  timeval old[2] = {{1700000000, 0}, {1700000000, 0}};  // 2023-11-14 22:13 UTC
  ASSERT_EQ(::utimes((www + "/big.bin").c_str(), old), 0);
  connect();
  ASSERT_TRUE(ftp.setCurrentDirectory("www"));
  std::vector<FtpFileEntry> entries;
  FtpResult r = ftp.listDirectory(entries);
  ASSERT_TRUE(r) << r.text;
  EXPECT_EQ(entries.size(), 5u);
  const FtpFileEntry* spaces = find(entries, "name with  spaces.jpg");
  ASSERT_NE(spaces, nullptr);
  EXPECT_EQ(spaces->attributes, kFtpAttributeNormal);
  EXPECT_EQ(spaces->size(), 5u);
  EXPECT_GE(spaces->lastWrite.year, 2026);
  const FtpFileEntry* dir = find(entries, "sub dir");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->attributes, kFtpAttributeDirectory);
  const FtpFileEntry* big = find(entries, "big.bin");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->sizeHigh, 1u);
  EXPECT_EQ(big->sizeLow, 0x23456789u);
  EXPECT_EQ(big->lastWrite.year, 2023);
  EXPECT_EQ(big->lastWrite.month, 11);
  EXPECT_EQ(big->lastWrite.day, 14);
  const FtpFileEntry* link = find(entries, "link");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->attributes, kFtpAttributeSymlink);
  EXPECT_NE(find(entries, ".hidden"), nullptr);
}

TEST_F(CurlFtpClientPyTest, EmptyDirectoryListsEmptyMissingOneFails) {
  ::mkdir((server.root() + "/empty").c_str(), 0755);
  ::mkdir((server.root() + "/doomed").c_str(), 0755);
  connect();
  std::vector<FtpFileEntry> entries{FtpFileEntry{}};
  ASSERT_TRUE(ftp.setCurrentDirectory("empty"));
  FtpResult r = ftp.listDirectory(entries);
  EXPECT_TRUE(r) << r.text;
  EXPECT_TRUE(entries.empty());
  ASSERT_TRUE(ftp.setCurrentDirectory("/doomed"));
  ASSERT_EQ(::rename((server.root() + "/doomed").c_str(), (server.root() + "/../gone").c_str()), 0);
  r = ftp.listDirectory(entries);
  EXPECT_EQ(r.error, FtpError::NotFound) << r.text;
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(ftp.lastResponseText().empty());
  // Listing again after a failure lists the right folder.
  ASSERT_TRUE(ftp.setCurrentDirectory("/"));
  r = ftp.listDirectory(entries);
  EXPECT_TRUE(r) << r.text;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "empty");
}

TEST_F(CurlFtpClientPyTest, StoreRefusedByTheServerReportsItsCode) {
  connect();
  for (int code : {550, 452}) {
    PyFtpServer::Faults f;
    f.failStorNth = 2;
    f.failStorCode = code;
    server.setFaults(f);
    EXPECT_TRUE(ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary));
    FtpResult r = ftp.putFile(local("a", "2"), "b.jpg", FtpTransferMode::Binary);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.code(), code) << r.text;
    EXPECT_TRUE(ftp.putFile(local("a", "3"), "c.jpg", FtpTransferMode::Binary));
    EXPECT_FALSE(testing::fileExists(server.root() + "/b.jpg"));
  }
}

// A full disk: the server takes part of the data, then answers 452. That is
// a refusal on a connection that goes on, not a lost connection.
TEST_F(CurlFtpClientPyTest, StorePartlyTakenThenRefusedIsARefusal) {
  connect();
  PyFtpServer::Faults f;
  f.failStorNth = 1;
  f.failStorCode = 452;
  f.failStorPartial = 100;
  server.setFaults(f);
  FtpResult r = ftp.putFile(local("a", std::string(5000, 'j')), "b.jpg", FtpTransferMode::Binary);
  EXPECT_EQ(r.error, FtpError::Refused) << r.text;
  EXPECT_EQ(r.code(), 452);
  EXPECT_EQ(testing::readFile(server.root() + "/b.jpg").size(), 100u);
  EXPECT_TRUE(ftp.deleteFile("b.jpg"));
  EXPECT_EQ(server.logins(), 1);
}

TEST_F(CurlFtpClientPyTest, DroppedConnectionIsRetriedOnceOnAFreshLogin) {
  connect();
  PyFtpServer::Faults f;
  f.dropOn = "DELE";
  server.setFaults(f);
  testing::writeFile(server.root() + "/x.jpg", "x");
  FtpResult r = ftp.deleteFile("x.jpg");
  EXPECT_TRUE(r) << r.text;
  EXPECT_FALSE(testing::fileExists(server.root() + "/x.jpg"));
  EXPECT_EQ(server.logins(), 2);
  EXPECT_TRUE(ftp.isConnected());
}

TEST_F(CurlFtpClientPyTest, StoreDroppedTwiceFailsAfterOneRetry) {
  connect();
  PyFtpServer::Faults f;
  f.dropOn = "STOR";
  f.dropEvery = true;
  server.setFaults(f);
  FtpResult r = ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary);
  EXPECT_EQ(r.error, FtpError::ConnectionLost) << r.text;
  auto commands = server.commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "STOR /a.jpg"), 2);
  EXPECT_EQ(server.logins(), 2);
  server.clearFaults();
  EXPECT_TRUE(ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary));
}

TEST_F(CurlFtpClientPyTest, IdleTimeoutOf421IsRetriedOnce) {
  PyFtpServer idle(PyFtpServerOptions{.idleTimeoutSeconds = 0.5});
  ASSERT_TRUE(idle.started()) << idle.error();
  ASSERT_TRUE(ftp.connect(idle.params()));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the server says 421 and closes
  std::vector<FtpFileEntry> entries;
  FtpResult r = ftp.listDirectory(entries);
  EXPECT_TRUE(r) << r.text;
  EXPECT_EQ(idle.logins(), 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  r = ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary);
  EXPECT_TRUE(r) << r.text;
  EXPECT_EQ(idle.logins(), 3);
}

TEST_F(CurlFtpClientPyTest, FrozenServerEndsInATimeOut) {
  connect();
  struct Row {
    const char* command;
    std::function<FtpResult()> call;
  };
  const Row rows[] = {
      {"LIST", [&] { std::vector<FtpFileEntry> e; return ftp.listDirectory(e); }},
      {"STOR", [&] { return ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary); }},
      {"DELE", [&] { return ftp.deleteFile("a.jpg"); }},
      {"CWD", [&] { return ftp.setCurrentDirectory("/"); }},
  };
  for (const Row& row : rows) {
    PyFtpServer::Faults f;
    f.freezeOn = row.command;
    server.setFaults(f);
    FtpResult r = row.call();
    EXPECT_EQ(r.error, FtpError::Timeout) << row.command << ": " << r.text;
    // The operator is shown the time-out, not the last reply before it.
    EXPECT_EQ(r.code(), 12000 + static_cast<int>(FtpError::Timeout)) << row.command;
    server.clearFaults();
    FtpResult again = ftp.connect(server.params());
    EXPECT_TRUE(again) << row.command << ": " << again.text;
  }
  PyFtpServer::Faults silent;
  silent.freezeGreeting = true;
  server.setFaults(silent);
  FtpResult r = ftp.connect(server.params());
  EXPECT_EQ(r.error, FtpError::Timeout) << r.text;
  EXPECT_FALSE(ftp.isConnected());
}

TEST_F(CurlFtpClientPyTest, SlowAnswersStillSucceed) {
  PyFtpServer::Faults f;
  f.delaySeconds = 0.1;
  server.setFaults(f);
  connect();
  EXPECT_TRUE(ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary));
  std::vector<FtpFileEntry> entries;
  EXPECT_TRUE(ftp.listDirectory(entries));
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(CurlFtpClientPyTest, ActiveModeHasTheServerConnectBack) {
  ASSERT_TRUE(ftp.connect(server.params(false)));
  EXPECT_TRUE(ftp.putFile(local("a", "active"), "a.jpg", FtpTransferMode::Binary));
  std::vector<FtpFileEntry> entries;
  EXPECT_TRUE(ftp.listDirectory(entries));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(testing::readFile(server.root() + "/a.jpg"), "active");
  auto commands = server.commands();
  EXPECT_THAT(commands, Not(Contains("EPSV")));
  EXPECT_THAT(commands, Not(Contains("PASV")));
  bool port = false;
  for (const auto& c : commands) port = port || c.rfind("EPRT", 0) == 0 || c.rfind("PORT", 0) == 0;
  EXPECT_TRUE(port);
}

TEST_F(CurlFtpClientPyTest, ExplicitTlsNeverFallsBackToPlain) {
  // A plain server: "ftps://" must fail before any login is sent.
  auto p = server.params();
  p.address = "ftps://127.0.0.1";
  FtpResult r = ftp.connect(p);
  EXPECT_EQ(r.error, FtpError::TlsFailed) << r.text;
  EXPECT_THAT(server.commands(), Not(Contains(::testing::StartsWith("USER"))));
}

// Our pyftpdlib's TLS data connections fail with this OpenSSL, so full TLS
// sessions are tested against vsftpd; the refusals need no data connection.
class CurlFtpClientTlsTest : public ::testing::Test {
 protected:
  PyFtpServer server{PyFtpServerOptions{.tls = true}};
  testing::TempDir tmp;
};

TEST_F(CurlFtpClientTlsTest, UntrustedCertificateAndPlainLoginAreRefused) {
  ASSERT_TRUE(server.started()) << server.error();
  testing::TestCertificate other(tmp.path(), "other");
  ASSERT_TRUE(other.ok()) << other.error();
  {
    CurlFtpClient ftp(fastOptions(server.caFile()));
    ftp.openSession("TamblorFTP");
    auto p = server.params();
    p.address = "127.0.0.1";  // plain FTP to a server that requires TLS
    FtpResult r = ftp.connect(p);
    EXPECT_FALSE(r) << r.text;
    EXPECT_FALSE(ftp.isConnected());
  }
  CurlFtpOptions options = fastOptions(other.certFile());
  options.certificatePinsFile = tmp.file("data/trusted_certificates");
  CurlFtpClient ftp(options);
  ftp.openSession("TamblorFTP");
  FtpResult r = ftp.connect(server.params());
  EXPECT_EQ(r.error, FtpError::TlsFailed) << r.text;
  EXPECT_FALSE(ftp.isConnected());
  EXPECT_THAT(server.commands(), Not(Contains("PASS ****")));

  // The failure names the certificate as openssl shows it; pinned by that
  // fingerprint, this certificate (and no other) is trusted for this host.
  std::string shown = testing::commandOutput("openssl x509 -noout -fingerprint -sha256 -in " +
                                             server.caFile());
  shown = shown.substr(shown.find('=') + 1);
  shown.erase(shown.find_last_not_of("\n") + 1);
  auto seen = ftp.untrustedServer();
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->fingerprint, shown);
  EXPECT_THAT(seen->subject, ::testing::HasSubstr("CN="));
  EXPECT_FALSE(seen->reason.empty());
  EXPECT_THAT(r.text, ::testing::HasSubstr(shown));
  EXPECT_THAT(r.text, ::testing::HasSubstr(seen->reason));
  ServerIdentity wrong = *seen;
  wrong.fingerprint = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
  EXPECT_FALSE(ftp.trustServer(wrong));
  ASSERT_TRUE(ftp.trustServer(*seen));
  r = ftp.connect(server.params());
  EXPECT_TRUE(r) << r.text;
  // Another host name of the same server is not pinned.
  auto byName = server.params();
  byName.address = "ftps://localhost";
  EXPECT_EQ(ftp.connect(byName).error, FtpError::TlsFailed);
}

}  // namespace
}  // namespace karone

namespace karone {
namespace {

// Listings a server may send that no file system of ours would produce.
class CurlFtpClientListingTest : public CurlFtpClientPyTest {
 protected:
  std::vector<FtpFileEntry> listWith(const std::string& listing, FtpResult* result = nullptr) {
    testing::writeFile(tmp.file("listing"), listing);
    PyFtpServer::Faults f;
    f.listingFile = tmp.file("listing");
    server.setFaults(f);
    std::vector<FtpFileEntry> entries;
    FtpResult r = ftp.listDirectory(entries);
    if (result) *result = r;
    EXPECT_TRUE(result || r) << r.text;
    return entries;
  }
};

TEST_F(CurlFtpClientListingTest, HostileUnixNamesParseAsTheyAre) {
  connect();
  const std::string longName(255, 'n');
  std::string listing =
      "total 42\r\n"
      "drwxr-xr-x    2 0        0            4096 Dec  8  2025 .\r\n"
      "drwxr-xr-x    2 0        0            4096 Dec  8  2025 ..\r\n"
      "drwxr-xr-x    2 0        0            4096 Dec  8  2025 sub dir\r\n"
      "-rw-r--r--    1 0        0     12345678901 Jan  1  2024 huge.bin\r\n"
      "-rw-r--r--    1 0        0              10 Feb 29  2024 a/b.jpg\r\n"
      "-rw-r--r--    1 0        0              10 Dec  8  2025 ctl\x01\x1b\tname\r\n"
      "-rw-r--r--    1 0        0              10 Dec  8  2025 " + longName + "\r\n"
      "-rw-r--r--    1 0        0              10 Dec  8  2025 MOTION_IMG_0000001A.JPG\r\n"
      "lrwxrwxrwx    1 0        0               7 Dec  8  2025 link -> target\r\n";
  auto entries = listWith(listing);
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries[0].name, "sub dir");
  EXPECT_EQ(entries[0].attributes, kFtpAttributeDirectory);
  EXPECT_EQ(entries[1].name, "huge.bin");
  EXPECT_EQ(entries[1].size(), 12345678901u);
  EXPECT_EQ(entries[1].sizeHigh, 2u);
  EXPECT_EQ(entries[1].lastWrite.year, 2024);
  EXPECT_EQ(entries[2].name, "a/b.jpg");
  EXPECT_EQ(entries[2].lastWrite.month, 2);
  EXPECT_EQ(entries[2].lastWrite.day, 29);
  EXPECT_EQ(entries[3].name, "ctl\x01\x1b\tname");
  EXPECT_EQ(entries[4].name, longName);
  EXPECT_EQ(entries[5].name, "MOTION_IMG_0000001A.JPG");
  EXPECT_EQ(entries[6].name, "link");
  EXPECT_EQ(entries[6].attributes, kFtpAttributeSymlink);
}

TEST_F(CurlFtpClientListingTest, MsDosListing) {
  connect();
  auto entries = listWith(
      "12-08-26  04:06AM       <DIR>          sub dir\r\n"
      "12-08-26  04:06PM              1234567 motion_img_00000001.jpg\r\n"
      "01-02-99  11:30PM           5000000000 big file.bin\r\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "sub dir");
  EXPECT_EQ(entries[0].attributes, kFtpAttributeDirectory);
  EXPECT_EQ(entries[0].lastWrite.year, 2026);
  EXPECT_EQ(entries[0].lastWrite.month, 12);
  EXPECT_EQ(entries[0].lastWrite.day, 8);
  EXPECT_EQ(entries[1].name, "motion_img_00000001.jpg");
  EXPECT_EQ(entries[1].attributes, kFtpAttributeNormal);
  EXPECT_EQ(entries[1].size(), 1234567u);
  EXPECT_EQ(entries[1].lastWrite.hour, 16);
  EXPECT_EQ(entries[2].name, "big file.bin");
  EXPECT_EQ(entries[2].size(), 5000000000u);
  EXPECT_EQ(entries[2].lastWrite.year, 1999);
}

TEST_F(CurlFtpClientListingTest, HundredThousandEntries) {
  connect();
  std::string listing;
  listing.reserve(100000 * 70);
  char line[128];
  for (unsigned i = 0; i < 100000; ++i) {
    std::snprintf(line, sizeof line,
                  "-rw-r--r--    1 0        0           %5u Dec  8  2025 motion_img_%08x.jpg\r\n",
                  i % 65536, i);
    listing += line;
  }
  // On a thread of its own, as the uploader's worker lists.
  std::vector<FtpFileEntry> entries;
  std::thread worker([&] { entries = listWith(listing); });
  worker.join();
  ASSERT_EQ(entries.size(), 100000u);
  EXPECT_EQ(entries.back().name, "motion_img_0001869f.jpg");
  EXPECT_EQ(entries.back().size(), 99999u % 65536);
}

TEST_F(CurlFtpClientListingTest, UnreadableListingsFailCleanlyAndTheSessionGoesOn) {
  connect();
  const char* rows[] = {
      "this is not\r\na listing at all\r\n\x01\x02\x03\r\n",
      // Four-digit years in an MS-DOS listing are beyond libcurl's parser.
      "01-02-1999  11:30PM          5000000000 big file.bin\r\n",
      "-rw-r--r--    1 0        0              10 Dec  8  2025\r\n",  // no name
  };
  for (const char* listing : rows) {
    FtpResult r;
    auto entries = listWith(listing, &r);
    EXPECT_TRUE(entries.empty()) << listing;
    EXPECT_FALSE(r) << listing;
    EXPECT_EQ(r.error, FtpError::Protocol) << r.text;
    EXPECT_FALSE(r.text.empty());
  }
  server.clearFaults();
  // libcurl drops the connection after an unreadable listing; the next
  // request logs in again by itself.
  EXPECT_TRUE(ftp.isConnected());
  EXPECT_TRUE(ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary));
}

TEST_F(CurlFtpClientPyTest, DisconnectSaysQuitAnsweredOrNot) {
  for (bool silent : {false, true}) {
    server.clearFaults();
    connect();
    ASSERT_TRUE(ftp.putFile(local("a", "1"), "a.jpg", FtpTransferMode::Binary));
    if (silent) {
      PyFtpServer::Faults f;
      f.freezeOn = "QUIT";
      server.setFaults(f);
    }
    ftp.disconnect();
    EXPECT_FALSE(ftp.isConnected());
    auto commands = server.commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "QUIT") << (silent ? "silent" : "answered");
  }
  server.clearFaults();
  connect();
  EXPECT_TRUE(ftp.putFile(local("a", "2"), "a.jpg", FtpTransferMode::Binary));
}

}  // namespace
}  // namespace karone
