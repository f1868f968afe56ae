#pragma once
// An SFTP server that logs in with a password, for a test: our Paramiko
// script (tests/support/sftp_password_server.py) on 127.0.0.1 and a free
// port, serving a temporary folder as "/" to one user, with password or
// keyboard-interactive log-in (as `methods` lists them). An unprivileged
// OpenSSH cannot check passwords, hence this one.
// clientHome() is a private HOME whose known_hosts trusts the server.
// It stops when the object ends. Used on the test's thread.
#include <cstdint>
#include <string>

#include "platform/FtpClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace karone::testing {

class PasswordSftpServer {
 public:
  explicit PasswordSftpServer(const std::string& methods = "password,keyboard-interactive");
  ~PasswordSftpServer();
  PasswordSftpServer(const PasswordSftpServer&) = delete;
  PasswordSftpServer& operator=(const PasswordSftpServer&) = delete;

  bool started() const { return port_ != 0; }
  const std::string& error() const { return error_; }
  // The folder on disk the user sees as "/".
  std::string root() const { return dir_.file("root"); }
  std::string clientHome() const { return dir_.file("home"); }
  // "sftp://127.0.0.1", the port, user "karone", password "secret".
  FtpConnectParams params() const;

 private:
  TempDir dir_;
  ChildProcess process_;
  std::uint16_t port_ = 0;
  std::string error_;
};

}  // namespace karone::testing
