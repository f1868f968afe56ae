#pragma once
// A real FTP server for a test: our fault-injecting pyftpdlib script
// (tests/support/ftp_test_server.py) on 127.0.0.1, on a free port, serving
// a temporary folder to one user. It stops when the object ends, also when
// the test fails; parallel tests each get their own port and folder.
//
// Faults can be changed at any time; they apply from the server's next
// command on, with their counters starting again. The transcript is every
// command the server received, in order.
//
// Used on the test's thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FtpClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"

namespace karone::testing {

struct PyFtpServerOptions {
  std::string user = "karone";
  std::string password = "secret";
  // Explicit TLS required on control and data connections. The control
  // connection works; data connections fail with Debian 12's pyftpdlib and
  // OpenSSL 3, so use VsftpdServer for whole TLS sessions.
  bool tls = false;
  double idleTimeoutSeconds = 300;  // the server closes idle sessions with 421
};

class PyFtpServer {
 public:
  explicit PyFtpServer(PyFtpServerOptions options = {});
  ~PyFtpServer();
  PyFtpServer(const PyFtpServer&) = delete;
  PyFtpServer& operator=(const PyFtpServer&) = delete;

  // False when the server could not start (error() says why).
  bool started() const { return port_ != 0; }
  // Whether the server process still runs (the "die" faults end it).
  bool running();
  // Starts the server again on the same folder and, when it is free, the
  // same port (port() tells); faults are cleared. False when it cannot.
  bool restart();
  const std::string& error() const { return error_; }
  std::uint16_t port() const { return port_; }
  // The folder on disk that the FTP user sees as "/".
  const std::string& root() const { return root_; }
  // For TLS: the CA file that trusts the server's certificate.
  std::string caFile() const { return cert_ ? cert_->certFile() : std::string(); }
  // Connect parameters for this server ("ftps://127.0.0.1" in TLS mode).
  FtpConnectParams params(bool passive = true) const;

  // --- Faults (each replaces the set of faults given before) ---
  struct Faults {
    bool refuseLogin = false;
    int failStorNth = 0;  // 0 = none
    int failStorCode = 550;
    std::string failStorName;   // only STORs of this file name count ("" = all)
    bool failStorEvery = false;  // the Nth and every later one fail
    int failStorPartial = -1;    // >= 0: take the data, keep this many bytes, then fail
    std::string dieOn;           // the server process ends when this command
    int dieNth = 1;              // arrives for the Nth time ("*": any command)
    int dieDuringStorNth = 0;    // the process ends in the middle of the Nth STOR
    int dieAfterBytes = 0;       // ... once this many bytes are in the file
    std::string dieStorName;     // ... counting only STORs of this name
    std::string dropOn;  // command that closes the control connection
    int dropNth = 1;
    bool dropEvery = false;  // drop on the Nth and on every later one
    std::string freezeOn;  // command that is never answered (nor any after)
    int freezeNth = 1;
    bool freezeGreeting = false;  // new connections get no greeting
    double delaySeconds = 0;      // slow answers
    std::string listingFile;      // LIST sends these bytes verbatim
  };
  void setFaults(const Faults& faults);
  void clearFaults() { setFaults(Faults{}); }

  // --- What the server saw ---
  // Every command line received, in order ("USER karone", "PASS ****",
  // "STOR x.jpg"), without the connection markers.
  std::vector<std::string> commands() const;
  // Same, each prefixed with its connection number ("2 STOR x.jpg"), and a
  // "<n> CONNECT" line when connection n opened.
  std::vector<std::string> transcript() const;
  void clearTranscript();
  // The number of logins (PASS commands) seen.
  int logins() const;
  std::string log() const;  // the server's own output, for failure messages

 private:
  TempDir dir_;
  std::string root_;
  PyFtpServerOptions options_;
  std::unique_ptr<TestCertificate> cert_;
  bool launch(int port);

  ChildProcess process_;
  std::uint16_t port_ = 0;
  std::string error_;
};

// The Python with the Debian packages (pyftpdlib, OpenSSL); a python3 of a
// version manager earlier in PATH may lack them.
std::string systemPython();

}  // namespace karone::testing
