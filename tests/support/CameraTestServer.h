#pragma once
// A network camera for a test (tests/support/camera_test_server.py): colour
// bars, 320 x 240 at 15 fps, over RTSP (H.264 or JPEG) or as multipart
// MJPEG over HTTP, on 127.0.0.1, optionally behind basic authentication.
// It can be killed and started again on the same port, and paused (stopped
// with SIGSTOP: connections stay open and nothing more is sent).
//
// Used on the test's thread.
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace karone::testing {

struct CameraTestServerOptions {
  enum class Kind { RtspH264, RtspMjpeg, HttpMjpeg };
  Kind kind = Kind::RtspH264;
  std::string user;  // empty: no authentication
  std::string password;
};

class CameraTestServer {
 public:
  explicit CameraTestServer(CameraTestServerOptions options);
  ~CameraTestServer();
  CameraTestServer(const CameraTestServer&) = delete;
  CameraTestServer& operator=(const CameraTestServer&) = delete;

  bool started() const { return port_ != 0; }
  const std::string& error() const { return error_; }
  // The stream's address (no credentials in it).
  std::string url() const;
  // The same server with a path it does not serve.
  std::string unknownUrl() const;

  void kill();
  // Starts again on the same port; false when it cannot.
  bool restart();
  void pause();
  void resume();

 private:
  bool launch(int port);

  CameraTestServerOptions options_;
  TempDir dir_;
  ChildProcess process_;
  int port_ = 0;
  std::string error_;
};

}  // namespace karone::testing
