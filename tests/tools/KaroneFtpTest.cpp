#include "tools/karone_ftp/KaroneFtp.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
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
      {{"li\nst", "live"}, 2},
      {{"send", "live"}, 2},
      {{"send", "live", "--keep"}, 2},
      {{"send", "live", "--keep", "0", "x.jpg"}, 2},
      {{"send", "live", "--keep", "2x", "x.jpg"}, 2},
      {{"send", "live", "--kept", "2", "x.jpg"}, 2},
      {{"check", "live", "--end"}, 2},
      {{"check", "live", "extra"}, 2},
      {{"check", "nobody"}, 1},
      {{"check", "no\nbody\r"}, 1},
      {{"send", "live", "/no/such/picture.jpg"}, 1},
      {{"send", "live", "/no/such/\npicture.jpg"}, 1},
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

// Options go anywhere, as with other Unix tools; "--" ends them.
TEST_F(KaroneFtpTest, OptionsAnywhereAndHelpForEveryCommand) {
  ASSERT_EQ(run({"send", "--end", "live", files[0]}), 0) << err.str();
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"), stoppedStatusPage());
  ASSERT_EQ(run({"--keep=1", "send", "live", files[0], files[1]}), 0) << err.str();
  EXPECT_EQ(fake.namesIn("/live"),
            (std::vector<std::string>{"currfrme.html", "motion_img_00000007.jpg"}));
  const std::string dashed = dirs.root().file("--end");
  testing::writeFile(dashed, "dashed");
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dirs.root().path());
  const int sent = run({"send", "live", "--keep", "5", "--", "--end"});
  std::filesystem::current_path(before);
  ASSERT_EQ(sent, 0) << err.str();
  EXPECT_EQ(fake.fileContent("/live/motion_img_00000008.jpg"), "dashed");

  struct Row {
    std::vector<std::string> args;
    Text help;
  };
  const Row rows[] = {{{"--help"}, Text::ToolFtpHelp},         {{"-h"}, Text::ToolFtpHelp},
                      {{"check", "--help"}, Text::ToolFtpHelpCheck},
                      {{"clean", "live", "-h"}, Text::ToolFtpHelpClean},
                      {{"--help", "send"}, Text::ToolFtpHelpSend}};
  for (const Row& row : rows) {
    EXPECT_EQ(run(row.args), 0) << ::testing::PrintToString(row.args);
    EXPECT_EQ(out.str(), std::string(text(row.help)) + "\n");
    EXPECT_TRUE(err.str().empty());
  }
}

// Like the program, the tool makes the settings complete before it reads
// them: on a machine where the program never ran, or with an empty settings
// file, it counts from 0 and stores the next number; nothing is used twice.
TEST_F(KaroneFtpTest, SettingsAreMadeCompleteBeforeTheyAreRead) {
  const std::string conf = dirs.root().file("config") + "/Brenko/Tamblor/Encoder.conf";
  for (const bool empty : {false, true}) {
    // A fresh install: no settings and no second record of the number.
    std::filesystem::remove_all(dirs.root().file("config"));
    std::filesystem::remove_all(dirs.root().file("state"));
    if (empty) {
      std::filesystem::create_directories(dirs.root().file("config") + "/Brenko/Tamblor");
      testing::writeFile(conf, "");
    }
    fake.addDirectory("/live");
    ASSERT_EQ(run({"send", "live", files[0], files[1]}), 0) << err.str();
    EXPECT_EQ(runningNumber(), 2u);
    ASSERT_EQ(run({"send", "live", files[2]}), 0) << err.str();
    EXPECT_EQ(runningNumber(), 3u);
    EXPECT_EQ(fake.fileContent("/live/motion_img_00000002.jpg"), "picture 2");
    EXPECT_EQ(fake.fileContent("/live/currfrme.html"),
              runningStatusPage({6, "motion_img_00000002.jpg", 1, "", 0}));
    auto values = FileSettingsStorage::parse(testing::readFile(conf));
    EXPECT_EQ(values["bAutoShutAndRecon"], "0");
    EXPECT_EQ(values["iBufferSize"], "6");
    ASSERT_EQ(run({"clean", "live"}), 0) << err.str();
  }
}

// The number is on disk before its strip goes out.
TEST_F(KaroneFtpTest, RunningNumberIsStoredAheadOfEveryStrip) {
  std::vector<std::string> problems;
  fake.onCall([&](const std::string& line) {
    if (line.rfind("put motion_img_", 0) != 0) return;
    const std::uint32_t n = std::stoul(line.substr(15, 8), nullptr, 16);
    if (runningNumber() <= n) problems.push_back(line);
  });
  std::vector<std::string> args = {"send", "live"};
  args.insert(args.end(), files.begin(), files.end());
  ASSERT_EQ(run(args), 0) << err.str();
  fake.onCall({});
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_EQ(runningNumber(), 10u) << "exactly the next one at the end";
}

// A status page the server would not take: the strip is there, the page it
// had stays, and the tool says so in one line and exits 1.
TEST_F(KaroneFtpTest, PageThatCouldNotBePublishedFailsTheRun) {
  ASSERT_EQ(run({"send", "live", files[0]}), 0) << err.str();
  const auto page = fake.fileContent("/live/currfrme.html");
  fake.failNth(FtpOperation::Put, 2, FtpResult::failure(FtpError::Refused, "no", 550));
  EXPECT_EQ(run({"send", "live", files[1], files[2]}), 1);
  EXPECT_EQ(err.str(), formatText(Text::ToolFtpPageNotPublished, "motion_img_00000006.jpg") + "\n");
  EXPECT_EQ(fake.fileContent("/live/currfrme.html"), page);
  EXPECT_FALSE(fake.exists("/live/motion_img_00000007.jpg")) << "the run stops there";
  EXPECT_EQ(runningNumber(), 7u);
}

// A damaged data file is named with the reason and where reading stopped,
// and a reading run leaves it as it is, without copies.
TEST_F(KaroneFtpTest, DamagedDataFileIsReportedAndLeftAlone) {
  const std::string path = DataStore::defaultPath();
  std::string bytes = testing::readFile(path);
  bytes.resize(bytes.size() - 3);
  testing::writeFile(path, bytes);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(run({"check", "live"}), 1);
    EXPECT_EQ(err.str(), formatText(Text::ToolFtpDataFileDamaged, path.c_str(), "end of file",
                                    static_cast<unsigned long long>(DataFile::read(bytes).offset)) +
                             "\n");
  }
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dirs.root().file("data") +
                                                           "/Brenko/Tamblor")) {
    names.push_back(e.path().filename().string());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"EncData.zrd"}));
  EXPECT_EQ(testing::readFile(path), bytes);
}

TEST(KaroneFtpReading, MakesNoFolders) {
  testing::ScopedProgramDirs dirs;
  FakeFtpClient fake{"/"};
  std::ostringstream out, err;
  EXPECT_EQ(runKaroneFtp({"check", "live"}, fake, out, err), 1);
  EXPECT_EQ(runKaroneFtp({"clean", "live"}, fake, out, err), 1);
  for (const char* folder : {"data", "config", "state"}) {
    EXPECT_FALSE(testing::fileExists(dirs.root().file(folder))) << folder;
  }
}

}  // namespace
}  // namespace karone
