#include "tests/support/CameraTestServer.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/PyFtpServer.h"

namespace karone::testing {

CameraTestServer::CameraTestServer(CameraTestServerOptions options) : options_(std::move(options)) {
  launch(0);
}

CameraTestServer::~CameraTestServer() {
  resume();
  process_.stop();
}

bool CameraTestServer::launch(int port) {
  const std::string ready = dir_.file("ready");
  ::unlink(ready.c_str());
  using Kind = CameraTestServerOptions::Kind;
  std::vector<std::string> argv = {
      "/usr/bin/env", "CAMERA_TEST_PASSWORD=" + options_.password, systemPython(),
      std::string(KARONE_SOURCE_DIR) + "/tests/support/camera_test_server.py", "--protocol",
      options_.kind == Kind::HttpMjpeg ? "http" : "rtsp", "--codec",
      options_.kind == Kind::RtspH264 ? "h264" : "mjpeg", "--port", std::to_string(port),
      "--ready-file", ready};
  if (!options_.user.empty()) argv.insert(argv.end(), {"--user", options_.user});
  if (!process_.start(argv, dir_.file("server.log"))) {
    error_ = process_.error();
    return false;
  }
  const std::string line = waitForLine(ready, 20000);
  port_ = line.empty() ? 0 : std::atoi(line.c_str());
  if (port_ <= 0) {
    port_ = 0;
    error_ = "the camera test server did not start: " + readFile(dir_.file("server.log"));
    process_.stop();
    return false;
  }
  return true;
}

std::string CameraTestServer::url() const {
  const std::string host = "127.0.0.1:" + std::to_string(port_);
  return options_.kind == CameraTestServerOptions::Kind::HttpMjpeg
             ? "http://" + host + "/stream.mjpg"
             : "rtsp://" + host + "/stream";
}

std::string CameraTestServer::unknownUrl() const {
  const std::string host = "127.0.0.1:" + std::to_string(port_);
  return options_.kind == CameraTestServerOptions::Kind::HttpMjpeg ? "http://" + host + "/nothing"
                                                                   : "rtsp://" + host + "/nothing";
}

void CameraTestServer::kill() {
  resume();
  process_.stop();
}

bool CameraTestServer::restart() {
  const int port = port_;
  kill();
  return launch(port);
}

void CameraTestServer::pause() {
  if (process_.pid() > 0) ::kill(-process_.pid(), SIGSTOP);
}

void CameraTestServer::resume() {
  if (process_.pid() > 0) ::kill(-process_.pid(), SIGCONT);
}

}  // namespace karone::testing
