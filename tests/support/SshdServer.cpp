#include "tests/support/SshdServer.h"

#include <dirent.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace karone::testing {
namespace {

const char* kSshd = "/usr/sbin/sshd";

// The server and every process it forked (each session makes a session
// of its own, so a signal to the group would miss them).
std::vector<pid_t> processTree(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // pid, parent
  if (DIR* proc = ::opendir("/proc")) {
    while (dirent* e = ::readdir(proc)) {
      const pid_t pid = std::atoi(e->d_name);
      if (pid <= 0) continue;
      std::string stat = readFile("/proc/" + std::string(e->d_name) + "/stat");
      const std::size_t close = stat.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(stat.substr(close + 2));
      char state;
      pid_t parent = 0;
      rest >> state >> parent;
      parents.emplace_back(pid, parent);
    }
    ::closedir(proc);
  }
  std::vector<pid_t> tree;
  if (root <= 1) return tree;  // no server: never a signal to everyone
  tree.push_back(root);
  for (std::size_t i = 0; i < tree.size(); ++i) {
    for (const auto& [pid, parent] : parents) {
      if (parent == tree[i]) tree.push_back(pid);
    }
  }
  return tree;
}

void signalTree(pid_t root, int signal) {
  for (pid_t pid : processTree(root)) {
    if (pid > 1) ::kill(pid, signal);
  }
}

std::string userName() {
  passwd* me = ::getpwuid(::geteuid());
  return me ? me->pw_name : "";
}

}  // namespace

std::string commandOutput(const std::string& command) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  return ::pclose(pipe) == 0 ? out : std::string();
}

SshdServer::SshdServer(SshdServerOptions options) {
  if (::access(kSshd, X_OK) != 0) {
    error_ = "sshd is not installed (openssh-server)";
    return;
  }
  if (::geteuid() == 0) ::mkdir("/run/sshd", 0755);
  ::chmod(dir_.path().c_str(), 0755);
  ::mkdir(folder().c_str(), 0755);
  const std::string ssh = clientHome() + "/.ssh";
  ::mkdir(clientHome().c_str(), 0700);
  ::mkdir(ssh.c_str(), 0700);
  if (commandOutput("ssh-keygen -q -t ed25519 -N '' -C test -f '" + ssh + "/id_ed25519' && echo ok")
          .empty()) {
    error_ = "ssh-keygen cannot make the client's key";
    return;
  }
  writeFile(dir_.file("authorized_keys"), readFile(ssh + "/id_ed25519.pub"));
  ::chmod(dir_.file("authorized_keys").c_str(), 0600);
  if (!makeHostKey()) return;
  for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
    const int port = freeLocalPort();
    if (port != 0 && launch(port)) port_ = static_cast<std::uint16_t>(port);
  }
  if (port_ == 0) {
    if (error_.empty()) error_ = "sshd did not start: " + log();
    return;
  }
  if (options.trustedByUser) {
    const std::string key = readFile(dir_.file("host_key.pub"));
    writeFile(ssh + "/known_hosts", hostName() + " " + key.substr(0, key.rfind(' ')) + "\n");
  }
}

SshdServer::~SshdServer() {
  thaw();
  stop();
}

bool SshdServer::makeHostKey() {
  ::unlink(dir_.file("host_key").c_str());
  ::unlink(dir_.file("host_key.pub").c_str());
  if (commandOutput("ssh-keygen -q -t ed25519 -N '' -C host -f '" + dir_.file("host_key") +
                    "' && echo ok")
          .empty()) {
    error_ = "ssh-keygen cannot make the host key";
    return false;
  }
  return true;
}

bool SshdServer::launch(int port) {
  std::ostringstream conf;
  conf << "Port " << port << "\n"
       << "ListenAddress 127.0.0.1\n"
       << "HostKey " << dir_.file("host_key") << "\n"
       << "PidFile " << dir_.file("sshd.pid") << "\n"
       << "AuthorizedKeysFile " << dir_.file("authorized_keys") << "\n"
       << "AllowUsers " << userName() << "\n"
       << "PermitRootLogin prohibit-password\n"
       << "UsePAM no\n"
       << "StrictModes no\n"
       << "PasswordAuthentication no\n"
       << "KbdInteractiveAuthentication no\n"
       << "MaxStartups 100\n"
       << "Subsystem sftp internal-sftp\n";
  writeFile(dir_.file("sshd_config"), conf.str());
  if (!process_.start({kSshd, "-D", "-e", "-f", dir_.file("sshd_config")}, dir_.file("sshd.log"))) {
    error_ = process_.error();
    return false;
  }
  // Listening once it greets.
  for (int waited = 0; waited < 10000 && process_.running(); waited += 20) {
    if (readGreeting(port, 2000).rfind("SSH-", 0) == 0) return true;
    ::usleep(20 * 1000);
  }
  process_.stop();
  return false;
}

FtpConnectParams SshdServer::params() const {
  FtpConnectParams p;
  p.address = "sftp://127.0.0.1";
  p.port = port_;
  p.user = userName();
  return p;
}

std::string SshdServer::hostKeyFingerprint() const {
  std::istringstream fields(commandOutput("ssh-keygen -l -f '" + dir_.file("host_key.pub") + "'"));
  std::string bits, fingerprint;
  fields >> bits >> fingerprint;
  return fingerprint;
}

std::string SshdServer::hostName() const {
  return "[127.0.0.1]:" + std::to_string(port_);
}

void SshdServer::stop() {
  const std::vector<pid_t> tree = processTree(process_.pid());
  process_.stop();
  for (pid_t pid : tree) {
    if (pid > 1) ::kill(pid, SIGKILL);
  }
}

bool SshdServer::restart() {
  stop();
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (launch(port_)) return true;
    ::usleep(100 * 1000);  // the port may still be held by a dying session
  }
  return false;
}

void SshdServer::freeze() {
  signalTree(process_.pid(), SIGSTOP);
}

void SshdServer::thaw() {
  signalTree(process_.pid(), SIGCONT);
}

bool SshdServer::changeHostKey() { return makeHostKey() && restart(); }

std::string SshdServer::log() const { return readFile(dir_.file("sshd.log")); }

}  // namespace karone::testing
