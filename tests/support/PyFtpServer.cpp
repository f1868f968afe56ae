#include "tests/support/PyFtpServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "platform/AtomicFile.h"

namespace karone::testing {
namespace {

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

}  // namespace

std::string systemPython() {
  return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

PyFtpServer::PyFtpServer(PyFtpServerOptions options)
    : root_(dir_.file("root")), options_(std::move(options)) {
  ::mkdir(root_.c_str(), 0755);
  writeFile(dir_.file("faults.json"), "{}");
  if (options_.tls) {
    cert_ = std::make_unique<TestCertificate>(dir_.path(), "server");
    if (!cert_->ok()) {
      error_ = cert_->error();
      return;
    }
  }
  launch(0);
}

bool PyFtpServer::launch(int wantedPort) {
  port_ = 0;
  ::unlink(dir_.file("port").c_str());
  std::vector<std::string> argv = {
      systemPython(), std::string(KARONE_SOURCE_DIR) + "/tests/support/ftp_test_server.py",
      "--root", root_, "--port-file", dir_.file("port"), "--transcript", dir_.file("transcript"),
      "--faults", dir_.file("faults.json"), "--user", options_.user, "--password",
      options_.password, "--idle-timeout", std::to_string(options_.idleTimeoutSeconds),
      "--port", std::to_string(wantedPort)};
  if (cert_) {
    argv.insert(argv.end(), {"--tls-cert", cert_->certFile(), "--tls-key", cert_->keyFile()});
  }
  if (!process_.start(argv, dir_.file("server.log"))) {
    error_ = process_.error();
    return false;
  }
  std::string line = waitForLine(dir_.file("port"), 15000);
  int port = line.empty() ? 0 : std::atoi(line.c_str());
  if (port <= 0 || port > 65535) {
    error_ = "the FTP test server did not start: " + log();
    process_.stop();
    return false;
  }
  port_ = static_cast<std::uint16_t>(port);
  return true;
}

bool PyFtpServer::running() { return process_.running(); }

bool PyFtpServer::restart() {
  const int old = port_;
  process_.stop();
  clearFaults();
  if (old != 0 && launch(old)) return true;
  return launch(0);
}

PyFtpServer::~PyFtpServer() { process_.stop(); }

FtpConnectParams PyFtpServer::params(bool passive) const {
  FtpConnectParams p;
  p.address = options_.tls ? "ftps://127.0.0.1" : "127.0.0.1";
  p.port = port_;
  p.user = options_.user;
  p.password = options_.password;
  p.passive = passive;
  return p;
}

void PyFtpServer::setFaults(const Faults& f) {
  std::ostringstream json;
  json << "{";
  json << "\"refuse_login\": " << (f.refuseLogin ? "true" : "false");
  json << ", \"freeze_greeting\": " << (f.freezeGreeting ? "true" : "false");
  json << ", \"delay\": " << f.delaySeconds;
  if (f.failStorNth > 0) {
    json << ", \"fail_stor\": {\"nth\": " << f.failStorNth << ", \"code\": " << f.failStorCode
         << ", \"every\": " << (f.failStorEvery ? "true" : "false");
    if (!f.failStorName.empty()) json << ", \"name\": " << jsonString(f.failStorName);
    if (f.failStorPartial >= 0) json << ", \"partial\": " << f.failStorPartial;
    json << "}";
  }
  if (!f.dieOn.empty()) {
    json << ", \"die_on\": {\"command\": " << jsonString(f.dieOn) << ", \"nth\": " << f.dieNth
         << "}";
  }
  if (f.dieDuringStorNth > 0) {
    json << ", \"die_during_stor\": {\"nth\": " << f.dieDuringStorNth
         << ", \"after\": " << f.dieAfterBytes;
    if (!f.dieStorName.empty()) json << ", \"name\": " << jsonString(f.dieStorName);
    json << "}";
  }
  if (!f.dropOn.empty()) {
    json << ", \"drop_on\": {\"command\": " << jsonString(f.dropOn) << ", \"nth\": " << f.dropNth
         << ", \"every\": " << (f.dropEvery ? "true" : "false") << "}";
  }
  if (!f.freezeOn.empty()) {
    json << ", \"freeze_on\": {\"command\": " << jsonString(f.freezeOn)
         << ", \"nth\": " << f.freezeNth << "}";
  }
  if (!f.listingFile.empty()) json << ", \"listing\": " << jsonString(f.listingFile);
  // A serial number, so that setting the same faults again restarts counting.
  static int serial = 0;
  json << ", \"serial\": " << ++serial << "}";
  writeFileAtomically(dir_.file("faults.json"), json.str());
}

std::vector<std::string> PyFtpServer::transcript() const {
  return lines(readFile(dir_.file("transcript")));
}

std::vector<std::string> PyFtpServer::commands() const {
  std::vector<std::string> out;
  for (const auto& line : transcript()) {
    auto space = line.find(' ');
    std::string command = space == std::string::npos ? line : line.substr(space + 1);
    if (command != "CONNECT") out.push_back(command);
  }
  return out;
}

void PyFtpServer::clearTranscript() { writeFile(dir_.file("transcript"), ""); }

int PyFtpServer::logins() const {
  int n = 0;
  for (const auto& c : commands()) n += c.rfind("PASS", 0) == 0;
  return n;
}

std::string PyFtpServer::log() const { return readFile(dir_.file("server.log")); }

}  // namespace karone::testing
