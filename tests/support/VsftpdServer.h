#pragma once
// A second real FTP server for a test: the system's vsftpd started with a
// configuration of its own in a temporary folder, on 127.0.0.1 and a free
// port, serving that folder to anonymous logins (any password). The
// system's configuration and users are left alone. Anonymous logins are
// chrooted into a root that must not be writable, so uploads go to the
// writable folder "/upload".
//
// vsftpd must run as root; started() is false otherwise (tests skip then).
// It stops, with every session process it forked, when the object ends.
// Used on the test's thread.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FtpClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"

namespace karone::testing {

struct VsftpdServerOptions {
  int idleSessionTimeoutSeconds = 300;  // vsftpd then sends "421 Timeout."
  bool tls = false;  // explicit TLS required for logins and data
};

class VsftpdServer {
 public:
  explicit VsftpdServer(VsftpdServerOptions options = {});
  ~VsftpdServer();
  VsftpdServer(const VsftpdServer&) = delete;
  VsftpdServer& operator=(const VsftpdServer&) = delete;

  bool started() const { return port_ != 0; }
  const std::string& error() const { return error_; }
  std::uint16_t port() const { return port_; }
  // The folder on disk that the FTP login sees as "/".
  const std::string& root() const { return root_; }
  // root() + "/upload", writable by the FTP login.
  std::string uploadFolder() const { return root_ + "/upload"; }
  // "ftps://127.0.0.1" in TLS mode.
  FtpConnectParams params(bool passive = true) const;
  // For TLS: the CA file that trusts the server's certificate.
  std::string caFile() const { return cert_ ? cert_->certFile() : std::string(); }
  // The protocol log vsftpd writes (every command and reply).
  std::string log() const;

 private:
  bool startOn(int port, const VsftpdServerOptions& options);

  TempDir dir_;
  std::string root_;
  std::unique_ptr<TestCertificate> cert_;
  ChildProcess process_;
  std::uint16_t port_ = 0;
  std::string error_;
};

}  // namespace karone::testing
