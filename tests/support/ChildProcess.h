#pragma once
// A helper process of a test (an FTP server): started in a process group of
// its own with its output going to a log file, killed with its whole group
// when the object ends, and killed by the kernel if the test process dies
// first. Used on the test's thread only.
#include <sys/types.h>

#include <string>
#include <vector>

namespace karone::testing {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // argv[0] is the program's path. False (and error()) when it cannot start.
  bool start(const std::vector<std::string>& argv, const std::string& logPath);
  // True while the process has not exited.
  bool running();
  // SIGTERM to the group, SIGKILL after a short grace time; waits for it.
  void stop();
  pid_t pid() const { return pid_; }
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  std::string error_;
};

// A TCP port on 127.0.0.1 that was free a moment ago.
int freeLocalPort();

// Waits up to timeoutMs for a file to exist with a complete first line;
// returns that line ("" on time-out).
std::string waitForLine(const std::string& path, int timeoutMs);

// Connects to 127.0.0.1:port and reads the first reply line (up to
// timeoutMs); "" when nothing came.
std::string readGreeting(int port, int timeoutMs);

}  // namespace karone::testing
