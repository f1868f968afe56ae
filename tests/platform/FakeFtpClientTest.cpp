#include "tests/doubles/FakeFtpClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace karone {
namespace {

using ::testing::ElementsAre;

class FakeFtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ftp.addDirectory("/home/cam/www");
    ASSERT_TRUE(ftp.openSession("TamblorFTP"));
    ASSERT_TRUE(ftp.connect({"127.0.0.1", 2121, "cam", "pw", true, {}}));
    testing::writeFile(dir.file("a.jpg"), "JPEG");
  }

  testing::TempDir dir;
  FakeFtpClient ftp{"/home/cam"};
};

TEST_F(FakeFtpClientTest, KeepsTreeAndTranscript) {
  ASSERT_TRUE(ftp.setCurrentDirectory("www"));
  ASSERT_TRUE(ftp.putFile(dir.file("a.jpg"), "motion_img_00000001.jpg", FtpTransferMode::Binary));
  ASSERT_TRUE(ftp.renameFile("motion_img_00000001.jpg", "b.jpg"));
  EXPECT_FALSE(ftp.deleteFile("motion_img_00000001.jpg"));
  EXPECT_EQ(ftp.lastResponseText(), "550 Delete operation failed.");
  std::vector<FtpFileEntry> entries;
  ASSERT_TRUE(ftp.listDirectory(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "b.jpg");
  EXPECT_EQ(entries[0].size(), 4u);
  EXPECT_EQ(ftp.fileContent("/home/cam/www/b.jpg"), "JPEG");
  std::string cwd;
  ASSERT_TRUE(ftp.currentDirectory(cwd));
  EXPECT_EQ(cwd, "/home/cam/www");
  EXPECT_FALSE(ftp.setCurrentDirectory("missing"));
  EXPECT_TRUE(ftp.setCurrentDirectory(".."));
  EXPECT_EQ(ftp.cwd(), "/home/cam");
  EXPECT_THAT(ftp.transcript(),
              ElementsAre("open TamblorFTP", "connect 127.0.0.1 2121 cam passive", "cd www",
                          "put motion_img_00000001.jpg binary",
                          "rename motion_img_00000001.jpg b.jpg",
                          "delete motion_img_00000001.jpg", "list", "pwd", "cd missing", "cd .."));
}

TEST_F(FakeFtpClientTest, InjectedFailuresHitTheNthCallOnly) {
  ftp.failNth(FtpOperation::Put, 2, FtpResult::failure(FtpError::Refused, "Disk full", 452));
  EXPECT_TRUE(ftp.putFile(dir.file("a.jpg"), "1.jpg", FtpTransferMode::Binary));
  FtpResult second = ftp.putFile(dir.file("a.jpg"), "2.jpg", FtpTransferMode::Binary);
  EXPECT_EQ(second.code(), 452);
  EXPECT_EQ(ftp.lastResponseText(), "452 Disk full");
  EXPECT_TRUE(ftp.putFile(dir.file("a.jpg"), "3.jpg", FtpTransferMode::Binary));
  EXPECT_FALSE(ftp.exists("/home/cam/2.jpg"));
}

TEST_F(FakeFtpClientTest, DroppedServerFailsUntilReconnect) {
  ftp.dropConnection(true);
  EXPECT_TRUE(ftp.isConnected());  // the handle stays
  std::vector<FtpFileEntry> entries;
  EXPECT_EQ(ftp.listDirectory(entries).error, FtpError::ConnectionLost);
  EXPECT_EQ(ftp.connect({"127.0.0.1", 2121, "cam", "pw", true, {}}).error, FtpError::ConnectFailed);
  EXPECT_FALSE(ftp.isConnected());
  ftp.serverBack();
  EXPECT_TRUE(ftp.connect({"127.0.0.1", 2121, "cam", "pw", true, {}}));
  EXPECT_TRUE(ftp.listDirectory(entries));
  EXPECT_EQ(ftp.connectCount(), 2);
}

TEST_F(FakeFtpClientTest, LoginCheckedWhenRequired) {
  ftp.requireLogin("cam", "secret");
  FtpResult r = ftp.connect({"127.0.0.1", 21, "cam", "pw", false});
  EXPECT_EQ(r.error, FtpError::LoginFailed);
  EXPECT_EQ(r.code(), 530);
  EXPECT_FALSE(ftp.isConnected());
  EXPECT_EQ(ftp.putFile(dir.file("a.jpg"), "x", FtpTransferMode::Binary).error,
            FtpError::NotConnected);
}

}  // namespace
}  // namespace karone
