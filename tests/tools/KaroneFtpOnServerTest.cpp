// karone-ftp as an operator runs it, against a real FTP server.
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/SettingsStore.h"
#include "ftp/StatusPage.h"
#include "platform/SettingsStorage.h"
#include "schedule/DataStore.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

#ifdef KARONE_FTP_EXE

struct Run {
  int code = -1;
  std::string out, err;
};

Run karoneFtp(const testing::TempDir& dir, const std::string& args) {
  Run r;
  std::string command = std::string(KARONE_FTP_EXE) + " " + args + " >" + dir.file("out") +
                        " 2>" + dir.file("err");
  int status = std::system(command.c_str());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = testing::readFile(dir.file("out"));
  r.err = testing::readFile(dir.file("err"));
  return r;
}

TEST(KaroneFtpOnServer, SendKeepsNewestStripsThenEndLeavesTheStoppedPage) {
  testing::ScopedProgramDirs dirs;
  testing::PyFtpServer server;
  ASSERT_TRUE(server.started()) << server.error();
  ::mkdir((server.root() + "/live").c_str(), 0755);
  {
    DataStore store;
    ProfileInfo p;
    p.name = "local";
    auto params = server.params();
    p.address = params.address;
    p.port = params.port;
    p.userId = params.user;
    p.password = params.password;
    p.uploadDirectory = "/live";
    p.passiveMode = 1;
    store.addProfile(p);
    ASSERT_TRUE(store.save().ok);
    FileSettingsStorage storage;
    RecordingPrompter prompter;
    SettingsStore settings(storage, prompter);
    settings.EnsureDefaults();
    auto v = settings.Get();
    v.dwUniqueRunningNum = 0x20;
    settings.Set(v);
    ASSERT_TRUE(settings.Save());
  }
  std::string files;
  for (int i = 0; i < 4; ++i) {
    auto path = dirs.root().file("p" + std::to_string(i) + ".jpg");
    testing::writeFile(path, "picture " + std::to_string(i));
    files += " " + path;
  }
  const std::string live = server.root() + "/live/";

  auto r = karoneFtp(dirs.root(), "send local --keep 2" + files);
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NE(r.out.find("motion_img_00000023.jpg"), std::string::npos) << r.out;
  EXPECT_FALSE(testing::fileExists(live + "motion_img_00000021.jpg"));
  EXPECT_EQ(testing::readFile(live + "motion_img_00000022.jpg"), "picture 2");
  EXPECT_EQ(testing::readFile(live + "motion_img_00000023.jpg"), "picture 3");
  EXPECT_EQ(testing::readFile(live + "currfrme.html"),
            runningStatusPage({6, "motion_img_00000023.jpg", 1, "", 0}));

  r = karoneFtp(dirs.root(), "check local");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("motion buffer files: 2, still buffer files: 0"), std::string::npos);

  r = karoneFtp(dirs.root(), "send local --end" + files);
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_EQ(testing::readFile(live + "currfrme.html"), stoppedStatusPage());
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(live)) {
    left.push_back(e.path().filename().string());
  }
  EXPECT_EQ(left, (std::vector<std::string>{"currfrme.html"}));

  r = karoneFtp(dirs.root(), "send");
  EXPECT_EQ(r.code, 2);
}

#endif

}  // namespace
}  // namespace karone
