// karone-server --headless as a user runs it: a real process with the
// program's folders in a temporary place, broadcasting the test pattern to
// the project's FTP test server on 127.0.0.1, ended by signals.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/headless/HeadlessPrompter.h"
#include "app/headless/HeadlessServer.h"
#include "platform/Paths.h"
#include "platform/CoreDumps.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

using namespace std::chrono_literals;
using testing::PyFtpServer;

// One karone-server process; its output (stdout and stderr) in a file.
class Server {
 public:
  explicit Server(std::vector<std::string> args, const std::string& output) {
    args.insert(args.begin(), KARONE_SERVER_EXE);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Server() {
    if (pid_ > 0 && status_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  void signal(int s) { ::kill(pid_, s); }
  // The exit status, or -1 when it has not ended within the limit.
  int waitForExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (status_ < 0 && std::chrono::steady_clock::now() < end) {
      int raw = 0;
      if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        break;
      }
      std::this_thread::sleep_for(20ms);
    }
    return status_;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// The service manager's end of the notification socket: a datagram socket
// in a folder of the test's own, named in NOTIFY_SOCKET for the programs the
// test starts while it lives.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    ::setenv("WATCHDOG_USEC", "1000000", 1);
  }
  ~NotifySocket() {
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("WATCHDOG_USEC");
    ::close(fd_);
  }
  // Every message received so far, in order.
  const std::vector<std::string>& messages() {
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
      messages_.emplace_back(buffer, static_cast<std::size_t>(n));
    return messages_;
  }
  bool received(const std::string& part) {
    for (const std::string& m : messages())
      if (m.find(part) != std::string::npos) return true;
    return false;
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::vector<std::string> messages_;
};

struct Rig {
  Rig() {
    ProfileInfo p;
    p.name = "live";
    p.address = "127.0.0.1";
    p.port = server.port();
    p.passiveMode = 1;
    p.userId = "karone";
    p.password = "secret";
    DataStore store(paths::dataDir() + "EncData.zrd");
    store.addProfile(p);
    store.save();
  }
  std::string output() const { return testing::readFile(dirs.root().file("out.txt")); }
  std::string page() const { return testing::readFile(server.root() + "/currfrme.html"); }
  int strips() const {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(server.root()))
      n += e.path().filename().string().rfind("motion_img_", 0) == 0;
    return n;
  }
  bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(50ms);
    return done();
  }

  testing::ScopedProgramDirs dirs;
  PyFtpServer server;
};

// The core size limit of a running program, as "soft hard".
std::string coreLimitOf(pid_t pid) {
  std::istringstream in(testing::readFile("/proc/" + std::to_string(pid) + "/limits"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Max core file size", 0) != 0) continue;
    std::istringstream fields(line.substr(std::strlen("Max core file size")));
    std::string soft, hard;
    fields >> soft >> hard;
    return soft + " " + hard;
  }
  return "?";
}

TEST(HeadlessServer, BroadcastsAndEndsInOrderOnSigterm) {
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  testing::ScopedEnv noCores(kAllowCoreDumpsVariable, std::nullopt);
  auto manager = std::make_unique<NotifySocket>(rig.dirs.root().file("notify"));
  Server server({"--headless", "--ftp-timeout", "3"}, rig.dirs.root().file("out.txt"));
  ASSERT_TRUE(rig.waitFor([&] { return manager->received("READY=1") && rig.strips() >= 1; }, 40s))
      << rig.output();
  // It holds passwords: no core dump unless asked for.
  EXPECT_EQ(coreLimitOf(server.pid()), "0 0");
  // Under a service manager: ready once started, a status line that says
  // what it does, and the watchdog's pings from the controller's thread.
  EXPECT_TRUE(rig.waitFor([&] { return manager->received("sending to live (127.0.0.1)"); }, 10s));
  EXPECT_TRUE(manager->received("READY=1\nSTATUS="));
  EXPECT_TRUE(rig.waitFor([&] { return manager->received("WATCHDOG=1"); }, 5s));
  // The page follows its strip onto the server.
  EXPECT_TRUE(rig.waitFor([&] { return rig.page().find("ServRun=1") != std::string::npos; }, 10s))
      << rig.page();
  // The status lines reach standard output as they happen (the strip is on
  // the server a moment before the program has the server's answer).
  EXPECT_NE(rig.output().find(text(Text::FtpReady)), std::string::npos) << rig.output();
  EXPECT_TRUE(rig.waitFor(
      [&] { return rig.output().find(text(Text::FtpUploadDone)) != std::string::npos; }, 10s))
      << rig.output();

  // A second program on the same data folder is refused, naming the first.
  Server second({"--headless"}, rig.dirs.root().file("second.txt"));
  EXPECT_EQ(second.waitForExit(20s), 1);
  const std::string refusal = testing::readFile(rig.dirs.root().file("second.txt"));
  EXPECT_NE(refusal.find(std::to_string(server.pid())), std::string::npos) << refusal;

  server.signal(SIGTERM);
  EXPECT_EQ(server.waitForExit(40s), 0) << rig.output();
  EXPECT_TRUE(manager->received("STOPPING=1\nSTATUS=ending the broadcast"));
  manager.reset();
  EXPECT_NE(rig.page().find("ServRun=0"), std::string::npos);
  EXPECT_EQ(rig.strips(), 0) << "the session ended on the server";
  // Settings saved at the end, the running number among them.
  const std::string settings =
      testing::readFile(paths::configDir() + "Encoder.conf");
  EXPECT_NE(settings.find("dwUniqueRunningNum="), std::string::npos);
  EXPECT_EQ(settings.find("dwUniqueRunningNum=0\n"), std::string::npos) << settings;
}

TEST(HeadlessServer, EndsWithinBoundsAgainstAFrozenServerAndAtOnceOnASecondSignal) {
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  {
    Server server({"--headless", "--ftp-timeout", "2"}, rig.dirs.root().file("out.txt"));
    ASSERT_TRUE(rig.waitFor([&] { return rig.strips() >= 1; }, 40s)) << rig.output();
    PyFtpServer::Faults frozen;
    frozen.freezeOn = "STOR";
    rig.server.clearTranscript();
    rig.server.setFaults(frozen);
    // The next strip's upload hangs, and with it the whole server.
    ASSERT_TRUE(rig.waitFor(
        [&] {
          for (const std::string& c : rig.server.commands())
            if (c.rfind("STOR /motion_img_", 0) == 0) return true;
          return false;
        },
        40s))
        << ::testing::PrintToString(rig.server.commands());
    server.signal(SIGTERM);
    // The exit's one budget (two time-outs) and a few seconds more; the
    // limit here only keeps a hang from stalling the suite.
    EXPECT_EQ(server.waitForExit(30s), 0) << rig.output();
    const std::string out = rig.output();
    const std::string notPublished = text(Text::FtpStatusPageNotPublished);
    const std::string line = notPublished.substr(0, notPublished.find(" ("));
    std::size_t count = 0;
    for (std::size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1))
      ++count;
    EXPECT_EQ(count, 1u) << "the stopped page is tried once and its failure said once\n" << out;
  }
  rig.server.clearFaults();
  {
    Server server({"--headless", "--ftp-timeout", "2"}, rig.dirs.root().file("out2.txt"));
    ASSERT_TRUE(rig.waitFor([&] {
      return testing::readFile(rig.dirs.root().file("out2.txt")).find(text(Text::FtpReady)) !=
             std::string::npos;
    }, 30s));
    PyFtpServer::Faults frozen;
    frozen.freezeOn = "STOR";
    rig.server.setFaults(frozen);
    server.signal(SIGTERM);
    std::this_thread::sleep_for(200ms);
    server.signal(SIGTERM);
    EXPECT_EQ(server.waitForExit(5s), 128 + SIGTERM);
  }
}

TEST(HeadlessServer, UnknownProfileOrDeviceNamesWhatExists) {
  Rig rig;
  {
    Server server({"--headless", "--profile", "nosuch"}, rig.dirs.root().file("out.txt"));
    EXPECT_EQ(server.waitForExit(30s), 2);
    EXPECT_NE(rig.output().find("\"live\""), std::string::npos) << rig.output();
  }
  {
    Server server({"--headless", "--device", "No Camera"}, rig.dirs.root().file("out.txt"));
    EXPECT_EQ(server.waitForExit(30s), 2);
    EXPECT_NE(rig.output().find("Karone Test Pattern"), std::string::npos) << rig.output();
  }
  // Usage errors, found before any window or device is opened.
  const std::vector<std::vector<std::string>> usageErrors{
      {"--headless", "--bogus"},
      {"--headless", "--preview"},
      {"--start", "--preview"},
      {"--preview", "--profile", "live"},
      {"--device", "Karone Test Pattern"}};
  for (const auto& args : usageErrors) {
    Server server(args, rig.dirs.root().file("out.txt"));
    EXPECT_EQ(server.waitForExit(10s), 2) << ::testing::PrintToString(args);
    EXPECT_NE(rig.output().find("karone-server --help"), std::string::npos) << rig.output();
  }
}

TEST(HeadlessServer, QuestionsGetTheirDocumentedAnswers) {
  struct Row {
    Text question;
    PromptButtons buttons;
    PromptAnswer answer;
  } rows[] = {{Text::FtpAskDisconnect, PromptButtons::YesNo, PromptAnswer::Yes},
              {Text::DialupHangUpQuestion, PromptButtons::YesNo, PromptAnswer::No},
              {Text::ProfileDeleteQuestion, PromptButtons::YesNo, PromptAnswer::No},
              {Text::FtpAskTrustHost, PromptButtons::YesNo, PromptAnswer::No},
              {Text::NotConnected, PromptButtons::Ok, PromptAnswer::Ok}};
  for (const Row& row : rows)
    EXPECT_EQ(HeadlessPrompter::answerFor(text(row.question), row.buttons), row.answer)
        << textName(row.question);
  HeadlessOptions o;
  EXPECT_EQ(parseHeadlessOptions({"--no-start", "--headless", "--profile", "a b"}, o), "");
  EXPECT_TRUE(o.noStart);
  EXPECT_EQ(o.profile, "a b");
  EXPECT_NE(parseHeadlessOptions({"--ftp-timeout", "0"}, o), "");
  EXPECT_NE(parseHeadlessOptions({"--profile"}, o), "");
}

}  // namespace
}  // namespace karone
