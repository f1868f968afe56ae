// The libcurl client against vsftpd: another listing format, other replies,
// a server that keeps the CRs of ASCII uploads, its idle time-out, and TLS.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/curl/CurlFtpClient.h"
#include "tests/support/VsftpdServer.h"

namespace karone {
namespace {

using testing::VsftpdServer;
using testing::VsftpdServerOptions;

CurlFtpOptions fastOptions(std::string caFile = {}) {
  CurlFtpOptions o;
  o.connectTimeoutMs = 1500;
  o.responseTimeoutMs = 1000;
  o.requestTimeoutMs = 3000;
  o.caFile = std::move(caFile);
  return o;
}

const FtpFileEntry* find(const std::vector<FtpFileEntry>& entries, const std::string& name) {
  for (const auto& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

class CurlFtpClientVsftpdTest : public ::testing::Test {
 protected:
  explicit CurlFtpClientVsftpdTest(VsftpdServerOptions options = {}) : server(options) {}
  void SetUp() override {
    if (!server.started()) GTEST_SKIP() << server.error();
    ASSERT_TRUE(ftp.openSession("TamblorFTP"));
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "vsftpd log:\n" << server.log();
  }
  std::string local(const std::string& name, const std::string& bytes) {
    testing::writeFile(tmp.file(name), bytes);
    return tmp.file(name);
  }

  VsftpdServer server;
  testing::TempDir tmp;
  CurlFtpClient ftp{fastOptions(server.caFile())};
};

TEST_F(CurlFtpClientVsftpdTest, StoresRenamesDeletesAndListsOnOneLogin) {
  ASSERT_TRUE(ftp.connect(server.params()));
  std::string cwd;
  ASSERT_TRUE(ftp.currentDirectory(cwd));
  EXPECT_EQ(cwd, "/");
  ASSERT_TRUE(ftp.setCurrentDirectory("upload"));
  const std::string page =
      "<meta http-equiv='pragma' content='no-cache'>\n"
      "<meta http-equiv='Cache-Control' content='no-cache'>\n\nServRun=1\nCurr=x\n";
  std::string jpeg;
  for (int i = 0; i < 256; ++i) jpeg += static_cast<char>(i);
  // The status page goes up in ASCII mode and must arrive LF-only; vsftpd
  // would keep the CRs of a real ASCII transfer.
  FtpResult r = ftp.putFile(local("page", page), "currfrme_new.html", FtpTransferMode::Ascii);
  ASSERT_TRUE(r) << r.text;
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/currfrme_new.html"), page);
  ASSERT_TRUE(ftp.putFile(local("jpeg", jpeg), "motion_img_0000001a.jpg", FtpTransferMode::Binary));
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/motion_img_0000001a.jpg"), jpeg);
  ASSERT_TRUE(ftp.putFile(local("x", "x"), "name with  spaces.jpg", FtpTransferMode::Binary));

  EXPECT_FALSE(ftp.deleteFile("currfrme.html"));
  EXPECT_TRUE(ftp.renameFile("currfrme_new.html", "currfrme.html"));
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/currfrme.html"), page);
  FtpResult noSource = ftp.renameFile("still_img_latest.jpg", "still_img_bckp_00000001.jpg");
  EXPECT_EQ(noSource.code(), 550) << noSource.text;

  ::mkdir((server.uploadFolder() + "/sub dir").c_str(), 0755);
  std::string big = server.uploadFolder() + "/big.bin";
  testing::writeFile(big, "");
  ASSERT_EQ(::truncate(big.c_str(), 0x2'0000'0010LL), 0);
  timeval old[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimes(big.c_str(), old), 0);
  std::vector<FtpFileEntry> entries;
  r = ftp.listDirectory(entries);
  ASSERT_TRUE(r) << r.text;
  EXPECT_EQ(entries.size(), 5u);
  const FtpFileEntry* dir = find(entries, "sub dir");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->attributes, kFtpAttributeDirectory);
  const FtpFileEntry* spaces = find(entries, "name with  spaces.jpg");
  ASSERT_NE(spaces, nullptr);
  EXPECT_EQ(spaces->attributes, kFtpAttributeNormal);
  EXPECT_EQ(spaces->size(), 1u);
  const FtpFileEntry* bigEntry = find(entries, "big.bin");
  ASSERT_NE(bigEntry, nullptr);
  EXPECT_EQ(bigEntry->sizeHigh, 2u);
  EXPECT_EQ(bigEntry->sizeLow, 0x10u);
  EXPECT_EQ(bigEntry->lastWrite.year, 2023);
  EXPECT_EQ(bigEntry->lastWrite.month, 11);
  EXPECT_EQ(bigEntry->lastWrite.day, 14);

  EXPECT_TRUE(ftp.deleteFile("motion_img_0000001a.jpg"));
  EXPECT_FALSE(testing::fileExists(server.uploadFolder() + "/motion_img_0000001a.jpg"));
  EXPECT_EQ(ftp.loginsMade(), 1);
}

TEST_F(CurlFtpClientVsftpdTest, EmptyAndMissingDirectories) {
  ASSERT_TRUE(ftp.connect(server.params()));
  ::mkdir((server.uploadFolder() + "/empty").c_str(), 0755);
  ASSERT_TRUE(ftp.setCurrentDirectory("/upload/empty"));
  std::vector<FtpFileEntry> entries;
  FtpResult r = ftp.listDirectory(entries);
  EXPECT_TRUE(r) << r.text;
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(ftp.setCurrentDirectory("/nothing").error, FtpError::NotFound);
  ASSERT_TRUE(ftp.setCurrentDirectory("/upload/empty"));
  ::rmdir((server.uploadFolder() + "/empty").c_str());
  r = ftp.listDirectory(entries);
  EXPECT_EQ(r.error, FtpError::NotFound) << r.text;
  EXPECT_EQ(ftp.loginsMade(), 1);
}

TEST_F(CurlFtpClientVsftpdTest, ActiveMode) {
  ASSERT_TRUE(ftp.connect(server.params(false)));
  ASSERT_TRUE(ftp.setCurrentDirectory("upload"));
  EXPECT_TRUE(ftp.putFile(local("a", "active"), "a.jpg", FtpTransferMode::Binary));
  std::vector<FtpFileEntry> entries;
  EXPECT_TRUE(ftp.listDirectory(entries));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/a.jpg"), "active");
}

class CurlFtpClientVsftpdIdleTest : public CurlFtpClientVsftpdTest {
 protected:
  CurlFtpClientVsftpdIdleTest() : CurlFtpClientVsftpdTest(VsftpdServerOptions{1, false}) {}
};

TEST_F(CurlFtpClientVsftpdIdleTest, RequestAfterIdleTimeoutIsRetriedOnce) {
  ASSERT_TRUE(ftp.connect(server.params()));
  ASSERT_TRUE(ftp.setCurrentDirectory("upload"));
  std::this_thread::sleep_for(std::chrono::milliseconds(2200));  // "421 Timeout." waits unread
  FtpResult r = ftp.putFile(local("a", "after idle"), "a.jpg", FtpTransferMode::Binary);
  EXPECT_TRUE(r) << r.text;
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/a.jpg"), "after idle");
  EXPECT_EQ(ftp.loginsMade(), 2);
}

class CurlFtpClientVsftpdTlsTest : public CurlFtpClientVsftpdTest {
 protected:
  CurlFtpClientVsftpdTlsTest() : CurlFtpClientVsftpdTest(VsftpdServerOptions{300, true}) {}
};

TEST_F(CurlFtpClientVsftpdTlsTest, VerifiedSessionCarriesFilesAndListings) {
  FtpResult r = ftp.connect(server.params());
  ASSERT_TRUE(r) << r.text;
  ASSERT_TRUE(ftp.setCurrentDirectory("upload"));
  r = ftp.putFile(local("a", "secret frame"), "a.jpg", FtpTransferMode::Binary);
  EXPECT_TRUE(r) << r.text;
  std::vector<FtpFileEntry> entries;
  r = ftp.listDirectory(entries);
  EXPECT_TRUE(r) << r.text;
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(testing::readFile(server.uploadFolder() + "/a.jpg"), "secret frame");
}

TEST_F(CurlFtpClientVsftpdTlsTest, RefusesWithoutTrustOrWithoutTls) {
  CurlFtpClient untrusting(fastOptions(tmp.file("none.crt")));
  untrusting.openSession("TamblorFTP");
  testing::writeFile(tmp.file("none.crt"), "");
  EXPECT_EQ(untrusting.connect(server.params()).error, FtpError::TlsFailed);
  auto plain = server.params();
  plain.address = "127.0.0.1";
  FtpResult r = ftp.connect(plain);  // the server insists on TLS for logins
  EXPECT_FALSE(r) << r.text;
  EXPECT_FALSE(ftp.isConnected());
}

// A private authority is trusted through SSL_CERT_FILE, as with curl; a
// refusal says why.
TEST_F(CurlFtpClientVsftpdTlsTest, TrustsAnAuthorityTheEnvironmentNames) {
  testing::ScopedEnv bundle("CURL_CA_BUNDLE", std::nullopt);
  testing::ScopedEnv folder("SSL_CERT_DIR", std::nullopt);
  CurlFtpClient fromEnvironment(fastOptions());
  fromEnvironment.openSession("TamblorFTP");
  {
    testing::ScopedEnv none("SSL_CERT_FILE", std::nullopt);
    FtpResult r = fromEnvironment.connect(server.params());
    EXPECT_EQ(r.error, FtpError::TlsFailed) << r.text;
    EXPECT_NE(r.text.find("certificate"), std::string::npos) << r.text;
  }
  testing::ScopedEnv file("SSL_CERT_FILE", server.caFile());
  FtpResult r = fromEnvironment.connect(server.params());
  EXPECT_TRUE(r) << r.text;
}

}  // namespace
}  // namespace karone
