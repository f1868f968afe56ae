#include "tools/karone_ftp/KaroneFtp.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/SettingsStore.h"
#include "ftp/RemoteNames.h"
#include "ftp/StatusPage.h"
#include "tests/doubles/FakeFtpClient.h"
#include "platform/SettingsStorage.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeSleeper.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

class KaroneFtpTest : public ::testing::Test {
 protected:
  KaroneFtpTest() {
    DataStore store;
    ProfileInfo p;
    p.name = "live";
    p.address = "127.0.0.1";
    p.userId = "karone";
    p.password = "secret";
    p.uploadDirectory = "/live";
    p.bufferClipCount = 10;
    store.addProfile(p);
    EXPECT_TRUE(store.save().ok);
    setRunningNumber(5);
    fake.addDirectory("/live");
    for (int i = 0; i < 5; ++i) {
      files.push_back(dirs.root().file("pic" + std::to_string(i) + ".jpg"));
      testing::writeFile(files.back(), "picture " + std::to_string(i));
    }
  }
  void setRunningNumber(std::uint32_t n) {
    FileSettingsStorage storage;
    RecordingPrompter prompter;
    SettingsStore settings(storage, prompter);
    settings.EnsureDefaults();
    settings.Load();
    auto v = settings.Get();
    v.dwUniqueRunningNum = static_cast<std::int32_t>(n);
    settings.Set(v);
    EXPECT_TRUE(settings.Save());
  }
  std::uint32_t runningNumber() {
    FileSettingsStorage storage;
    RecordingPrompter prompter;
    SettingsStore settings(storage, prompter);
    settings.Load();
    return static_cast<std::uint32_t>(settings.Get().dwUniqueRunningNum);
  }
  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    KaroneFtpSetup setup;
    setup.sleeper = &sleeper;
    return runKaroneFtp(args, fake, out, err, setup);
  }

  testing::ScopedProgramDirs dirs;
  FakeFtpClient fake{"/"};
  FakeSleeper sleeper;
  std::vector<std::string> files;
  std::ostringstream out, err;
};

TEST_F(KaroneFtpTest, SendKeepsTheNewestStripsAndNamesTheLastOne) {
  std::vector<std::string> args = {"send", "live", "--keep", "2"};
  args.insert(args.end(), files.begin(), files.end());
  ASSERT_EQ(run(args), 0) << err.str();
  EXPECT_EQ(fake.namesIn("/live"),
            (std::vector<std::string>{"currfrme.html", "motion_img_00000008.jpg",
                                      "motion_img_00000009.jpg"}));
  auto page = fake.fileContent("/live/currfrme.html");
  ASSERT_TRUE(page);
  EXPECT_NE(page->find("\nCurr=motion_img_00000009.jpg\n"), std::string::npos);
  EXPECT_EQ(fake.fileContent("/live/motion_img_00000009.jpg"), "picture 4");
  EXPECT_EQ(runningNumber(), 10u);
  EXPECT_NE(out.str().find(text(Text::FtpUploadDone)), std::string::npos);
  for (const auto& f : files) EXPECT_TRUE(testing::fileExists(f)) << "the operator's file stays";

  // --end: the stopped page and no strip.
  ASSERT_EQ(run({"send", "live", "--end", files[0]}), 0) << err.str();
  EXPECT_EQ(fake.namesIn("/live"), (std::vector<std::string>{"currfrme.html"}));
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"), stoppedStatusPage());
  EXPECT_EQ(runningNumber(), 11u);
}

TEST_F(KaroneFtpTest, CheckAndClean) {
  fake.addFile("/live/motion_img_00000001.jpg");
  fake.addFile("/live/still_img_latest.jpg");
  fake.addFile("/live/index.html");
  ASSERT_EQ(run({"check", "live"}), 0) << err.str();
  EXPECT_NE(out.str().find(formatText(Text::ToolFtpCounts, 1, 1)), std::string::npos);
  ASSERT_EQ(run({"clean", "live"}), 0) << err.str();
  EXPECT_EQ(fake.namesIn("/live"), (std::vector<std::string>{"index.html"}));
}

TEST_F(KaroneFtpTest, FailuresAndUsage) {
  struct Row {
    std::vector<std::string> args;
    int code;
  };
  const Row rows[] = {
      {{}, 2},
      {{"check"}, 2},
      {{"list", "live"}, 2},
      {{"send", "live"}, 2},
      {{"send", "live", "--keep"}, 2},
      {{"send", "live", "--keep", "0", "x.jpg"}, 2},
      {{"send", "live", "--keep", "2x", "x.jpg"}, 2},
      {{"check", "live", "--end"}, 2},
      {{"check", "nobody"}, 1},
      {{"send", "live", "/no/such/picture.jpg"}, 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(run(row.args), row.code) << ::testing::PrintToString(row.args);
    EXPECT_FALSE(err.str().empty());
    EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << "one line: " << err.str();
  }
  EXPECT_EQ(runningNumber(), 5u);

  fake.requireLogin("karone", "other");
  EXPECT_EQ(run({"check", "live"}), 1);
  EXPECT_NE(err.str().find("cannot connect"), std::string::npos);
}

TEST_F(KaroneFtpTest, FailedUploadStopsAtOnceAndKeepsTheNumbersUsed) {
  fake.failNth(FtpOperation::Put, 3, FtpResult::failure(FtpError::Refused, "full", 452));
  std::vector<std::string> args = {"send", "live"};
  args.insert(args.end(), files.begin(), files.end());
  EXPECT_EQ(run(args), 1);
  EXPECT_NE(err.str().find(files[1]), std::string::npos) << err.str();
  EXPECT_EQ(sleeper.calls(), 0);
  EXPECT_EQ(runningNumber(), 7u);  // 5 and 6 were used
}

}  // namespace
}  // namespace karone
