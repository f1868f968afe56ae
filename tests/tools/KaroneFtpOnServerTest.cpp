// karone-ftp as an operator runs it, against a real FTP server, also one
// that misbehaves: answers 452 after taking part of a file, refuses the
// status page, dies at any command or in the middle of a transfer; and the
// tool itself killed half-way.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "app/SettingsStore.h"
#include "ftp/RemoteNames.h"
#include "ftp/StatusPage.h"
#include "platform/SettingsStorage.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

#ifdef KARONE_FTP_EXE

using Names = std::vector<std::string>;

struct ToolRun {
  int code = -1;
  std::string out, err;
};

class KaroneFtpOnServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.started()) << server.error();
    ::mkdir(live().c_str(), 0755);
    saveProfile();
    FileSettingsStorage storage;
    RecordingPrompter prompter;
    SettingsStore settings(storage, prompter);
    settings.EnsureDefaults();
    auto v = settings.Get();
    v.dwUniqueRunningNum = 0x20;
    settings.Set(v);
    ASSERT_TRUE(settings.Save());
  }
  void TearDown() override {
    if (HasFailure()) {
      for (const auto& line : server.transcript()) std::cerr << "  server saw: " << line << "\n";
    }
  }
  // The profile "local" for the server as it runs now (a restart may move it).
  void saveProfile() {
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
    p.bufferClipCount = 10;
    store.addProfile(p);
    ASSERT_TRUE(store.save().ok);
  }
  void restartServer() {
    ASSERT_TRUE(server.restart()) << server.error();
    saveProfile();
  }
  std::string live() const { return server.root() + "/live"; }
  Names liveNames() const {
    Names names;
    for (const auto& e : std::filesystem::directory_iterator(live())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  Names strips() const {
    Names out;
    for (const auto& n : liveNames()) {
      if (isMotionBufferName(n)) out.push_back(n);
    }
    return out;
  }
  // Pictures of `size` bytes, each different.
  std::string pictures(int count, std::size_t size = 64) {
    std::string list;
    for (int i = 0; i < count; ++i) {
      auto path = dirs.root().file("p" + std::to_string(serial_) + ".jpg");
      std::string bytes = "picture " + std::to_string(serial_++) + " ";
      bytes.resize(std::max(size, bytes.size()), 'x');
      testing::writeFile(path, bytes);
      list += " " + path;
    }
    return list;
  }
  ToolRun karoneFtp(const std::string& args) {
    ToolRun r;
    std::string command = std::string(KARONE_FTP_EXE) + " " + args + " >" +
                          dirs.root().file("out") + " 2>" + dirs.root().file("err");
    int status = std::system(command.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = testing::readFile(dirs.root().file("out"));
    r.err = testing::readFile(dirs.root().file("err"));
    return r;
  }
  std::optional<std::string> pageNames() const {
    return pageCurrentFrame(testing::readFile(live() + "/currfrme.html"));
  }
  // Every strip name the server was ever asked to store.
  Names storedStrips() const {
    Names out;
    for (const auto& c : server.commands()) {
      if (c.rfind("STOR /live/motion_img_", 0) == 0) out.push_back(c.substr(11));
    }
    return out;
  }
  static bool oneLine(const std::string& err) {
    return !err.empty() && err.find('\n') == err.size() - 1;
  }

  testing::ScopedProgramDirs dirs;
  testing::PyFtpServer server;
  int serial_ = 0;
};

TEST_F(KaroneFtpOnServer, SendKeepsNewestStripsThenEndLeavesTheStoppedPage) {
  const std::string files = pictures(4);
  auto r = karoneFtp("send local --keep 2" + files);
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NE(r.out.find("motion_img_00000023.jpg"), std::string::npos) << r.out;
  EXPECT_EQ(strips(), (Names{"motion_img_00000022.jpg", "motion_img_00000023.jpg"}));
  EXPECT_EQ(testing::readFile(live() + "/motion_img_00000023.jpg").substr(0, 10), "picture 3 ");
  EXPECT_EQ(testing::readFile(live() + "/currfrme.html"),
            runningStatusPage({6, "motion_img_00000023.jpg", 1, "", 0}));

  r = karoneFtp("check local");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("motion buffer files: 2, still buffer files: 0"), std::string::npos);

  r = karoneFtp("send local --end" + files);
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_EQ(testing::readFile(live() + "/currfrme.html"), stoppedStatusPage());
  EXPECT_EQ(liveNames(), (Names{"currfrme.html"}));

  r = karoneFtp("send");
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(oneLine(r.err)) << r.err;
}

// Killed half-way (SIGKILL, as a power cut would): the next run never uses a
// number that was already sent.
TEST_F(KaroneFtpOnServer, KilledToolNeverMakesTheNextRunReuseANumber) {
  testing::PyFtpServer::Faults slow;
  slow.delaySeconds = 0.03;
  server.setFaults(slow);
  std::vector<std::string> argv = {KARONE_FTP_EXE, "send", "local", "--keep", "100"};
  for (int i = 0; i < 8; ++i) {
    argv.push_back(dirs.root().file("k" + std::to_string(i) + ".jpg"));
    testing::writeFile(argv.back(), "killed run " + std::to_string(i));
  }
  testing::ChildProcess tool;
  ASSERT_TRUE(tool.start(argv, dirs.root().file("tool.log"))) << tool.error();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (storedStrips().size() < 3 && tool.running() && std::chrono::steady_clock::now() < limit) {
    std::this_thread::yield();
  }
  ASSERT_TRUE(tool.running()) << testing::readFile(dirs.root().file("tool.log"));
  ::kill(tool.pid(), SIGKILL);
  while (tool.running()) std::this_thread::yield();
  const Names killed = storedStrips();
  ASSERT_GE(killed.size(), 3u);
  ASSERT_LT(killed.size(), 8u);

  server.clearFaults();
  auto r = karoneFtp("send local --keep 100" + pictures(3));
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  const Names all = storedStrips();
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size())
      << ::testing::PrintToString(all);
  EXPECT_EQ(pageNames(), all.back());
  EXPECT_EQ(testing::readFile(live() + "/" + all.back()).substr(0, 9), "picture 2");
}

// A server that dies at any command of a run: once it is back, the next run
// leaves exactly its window of strips, named by the page: nothing outside,
// nothing half-stored.
TEST_F(KaroneFtpOnServer, ServerDyingAtAnyCommandLeavesOnlyTheWindowAfterTheNextRun) {
  // How many commands a whole run takes.
  server.clearTranscript();
  auto r = karoneFtp("send local --keep 3" + pictures(4, 4096));
  ASSERT_EQ(r.code, 0) << r.err;
  const int commands = static_cast<int>(server.commands().size());
  for (int nth : {4, commands / 3, commands / 2, commands * 2 / 3, commands - 2}) {
    SCOPED_TRACE("server dies at command " + std::to_string(nth));
    testing::PyFtpServer::Faults die;
    die.dieOn = "*";
    die.dieNth = nth;
    server.setFaults(die);
    r = karoneFtp("send local --keep 3" + pictures(4, 4096));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(oneLine(r.err)) << r.err;
    EXPECT_FALSE(server.running());
    restartServer();
    r = karoneFtp("send local --keep 3" + pictures(4, 4096));
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const Names sent = storedStrips();
    const Names window(sent.end() - 3, sent.end());
    EXPECT_EQ(strips(), window);
    EXPECT_EQ(pageNames(), window.back());
    for (const auto& name : window) {
      EXPECT_EQ(testing::readFile(live() + "/" + name).size(), 4096u) << name;
    }
  }
}

// A full disk takes part of a strip and answers 452: the part is deleted at
// once, the page still names the strip before, the run ends in one line.
TEST_F(KaroneFtpOnServer, StripPartlyStoredThen452IsRemoved) {
  testing::PyFtpServer::Faults full;
  full.failStorNth = 1;
  full.failStorName = motionFrameName(0x21);
  full.failStorCode = 452;
  full.failStorPartial = 1000;
  server.setFaults(full);
  auto r = karoneFtp("send local" + pictures(3, 8192));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(oneLine(r.err)) << r.err;
  EXPECT_EQ(strips(), (Names{"motion_img_00000020.jpg"}));
  EXPECT_EQ(pageNames(), "motion_img_00000020.jpg");
  // The number is not used again.
  server.clearFaults();
  r = karoneFtp("send local" + pictures(1));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(strips(), (Names{"motion_img_00000020.jpg", "motion_img_00000022.jpg"}));
}

// The server dies in the middle of a strip and comes back with the part it
// had written: the next run deletes it.
TEST_F(KaroneFtpOnServer, StripCutByTheServerDyingIsRemovedByTheNextRun) {
  testing::PyFtpServer::Faults die;
  die.dieDuringStorNth = 1;
  die.dieStorName = motionFrameName(0x21);
  die.dieAfterBytes = 1024;
  server.setFaults(die);
  auto r = karoneFtp("send local --keep 5" + pictures(3, 256 * 1024));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(oneLine(r.err)) << r.err;
  restartServer();
  ASSERT_EQ(testing::readFile(live() + "/motion_img_00000021.jpg").size(), 1024u);
  r = karoneFtp("send local --keep 5" + pictures(1, 256 * 1024));
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_EQ(strips(), (Names{"motion_img_00000020.jpg", "motion_img_00000022.jpg"}));
  EXPECT_EQ(pageNames(), "motion_img_00000022.jpg");
}

// The page upload refused, or partly stored then 452: the page published
// before stays whole, nothing is renamed over it, and the tool says so.
TEST_F(KaroneFtpOnServer, PageThatCannotBeStoredLeavesThePublishedPage) {
  auto r = karoneFtp("send local" + pictures(1));
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string published = testing::readFile(live() + "/currfrme.html");
  struct Row {
    const char* name;
    int code;
    int partial;
  };
  for (const Row& row : {Row{"refused", 550, -1}, Row{"partly stored", 452, 73}}) {
    testing::PyFtpServer::Faults faults;
    faults.failStorNth = 1;
    faults.failStorEvery = true;
    faults.failStorName = "currfrme_new.html";
    faults.failStorCode = row.code;
    faults.failStorPartial = row.partial;
    server.setFaults(faults);
    r = karoneFtp("send local" + pictures(2));
    EXPECT_EQ(r.code, 1) << row.name;
    ASSERT_TRUE(oneLine(r.err)) << row.name << ": " << r.err;
    EXPECT_NE(r.err.find("status page"), std::string::npos) << r.err;
    EXPECT_EQ(testing::readFile(live() + "/currfrme.html"), published) << row.name;
    EXPECT_FALSE(testing::fileExists(live() + "/currfrme_new.html")) << row.name;
    EXPECT_NE(r.out.find(formatText(Text::FtpStatusPageNotPublished, row.code)), std::string::npos)
        << r.out;
  }
}

TEST_F(KaroneFtpOnServer, InstallViewerPutsThePageBesideTheStripsUnderTemporaryNames) {
  const ToolRun r = karoneFtp("install-viewer local");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("/live/index.html"), std::string::npos) << r.out;
  for (const std::string name : {"index.html", "viewer.js", "viewer.css"}) {
    EXPECT_EQ(testing::readFile(live() + "/" + name),
              testing::readFile(std::string(KARONE_SOURCE_DIR) + "/web/" + name))
        << name;
  }
  const Names commands = server.commands();
  for (const std::string name : {"index.html", "viewer.js", "viewer.css"}) {
    EXPECT_NE(std::find(commands.begin(), commands.end(), "STOR /live/" + name + ".uploading"),
              commands.end())
        << name;
    EXPECT_NE(std::find(commands.begin(), commands.end(), "RNTO /live/" + name), commands.end())
        << name;
  }
  EXPECT_EQ(liveNames(), (Names{"index.html", "viewer.css", "viewer.js"})) << "nothing else left";

  // A missing file is reported before any traffic.
  server.clearTranscript();
  const ToolRun missing = karoneFtp("install-viewer local --viewer " + dirs.root().file("none"));
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(oneLine(missing.err)) << missing.err;
  EXPECT_TRUE(server.commands().empty());
}

#endif

}  // namespace
}  // namespace karone
