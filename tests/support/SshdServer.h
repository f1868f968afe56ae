#pragma once
// A real SSH server for a test: the system's OpenSSH sshd with a
// configuration, host key and authorised-keys file of its own in a
// temporary folder, on 127.0.0.1 and a free port, no PAM, SFTP served by
// internal-sftp. It logs in the user running the test with the test's own
// key, and only with keys (an unprivileged sshd cannot check passwords).
// clientHome() is a private HOME for the client: its .ssh holds that key,
// and its known_hosts the server's host key when trustedByUser is set.
//
// SFTP sees the real file system, so remote paths are paths on disk:
// folder() is the place to publish into.
//
// sshd as root needs its privilege-separation folder (/run/sshd); it is
// made when missing, as the system's service does at boot.
// It stops, with every session it forked, when the object ends.
// Used on the test's thread.
#include <cstdint>
#include <string>

#include "platform/FtpClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace karone::testing {

struct SshdServerOptions {
  bool trustedByUser = true;  // the host key in clientHome()/.ssh/known_hosts
};

class SshdServer {
 public:
  explicit SshdServer(SshdServerOptions options = {});
  ~SshdServer();
  SshdServer(const SshdServer&) = delete;
  SshdServer& operator=(const SshdServer&) = delete;

  bool started() const { return port_ != 0; }
  const std::string& error() const { return error_; }
  std::uint16_t port() const { return port_; }
  // A folder on disk that the SFTP login can write.
  std::string folder() const { return dir_.file("root"); }
  // The client's private HOME.
  std::string clientHome() const { return dir_.file("home"); }
  // "sftp://127.0.0.1", the port, the user; no password.
  FtpConnectParams params() const;
  // The host key's fingerprint as `ssh-keygen -l` prints it ("SHA256:...").
  std::string hostKeyFingerprint() const;
  // The name known-hosts files give this server ("[127.0.0.1]:port").
  std::string hostName() const;

  // Kills the server and its sessions; restart() starts it again on the
  // same port (false when it cannot).
  void stop();
  bool restart();
  // Stops (SIGSTOP) and resumes the server and its sessions.
  void freeze();
  void thaw();
  // A new host key (the server restarts with it).
  bool changeHostKey();
  std::string log() const;

 private:
  bool makeHostKey();
  bool launch(int port);

  TempDir dir_;
  ChildProcess process_;
  std::uint16_t port_ = 0;
  std::string error_;
};

// Runs a command, returns its standard output ("" when it failed).
std::string commandOutput(const std::string& command);

}  // namespace karone::testing
