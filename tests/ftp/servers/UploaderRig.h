#pragma once
// The uploader with its worker on the libcurl client, logging into a
// MemoryLogView, for the tests against real servers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "ftp/MemoryLogView.h"
#include "platform/curl/CurlFtpClient.h"
#include "resources/Texts.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"
#include "tests/doubles/RecordingUploaderSink.h"
#include "tests/support/TempDir.h"

namespace karone::testing {


// A log line that reports a failure (upload or connect).
inline bool isErrorLine(const std::string& message) {
  std::string upload = text(Text::FtpUploadError);
  upload = upload.substr(0, upload.find('%'));
  return message.rfind(upload, 0) == 0 || message == text(Text::FtpConnectError);
}


// Short enough for a frozen server to fail fast, long enough for a busy
// machine.
inline CurlFtpOptions shortTimeouts() {
  CurlFtpOptions o;
  o.connectTimeoutMs = 2000;
  o.responseTimeoutMs = 2000;
  o.requestTimeoutMs = 10000;
  return o;
}

struct Rig {
  Rig(const FtpConnectParams& server, const std::string& directory,
      const CurlFtpOptions& options = shortTimeouts())
      : client(options),
        uploader({client, log, sleeper, dir.path(), sink.eventSink(), sink.contextReader(),
                  sink.requests()}) {
    log.setView(&view);
    ProfileInfo p;
    p.name = "test";
    p.address = server.address;
    p.port = server.port;
    p.userId = server.user;
    p.password = server.password;
    p.uploadDirectory = directory;
    p.passiveMode = server.passive ? 1 : 0;
    uploader.SetProfile(p);
    sink.setCapturing(true);
    EXPECT_TRUE(uploader.StartWorker());
  }
  void connect() {
    uploader.queue(upload::Connect{});
    uploader.waitUntilDone();
    ASSERT_TRUE(uploader.IsConnected()) << ::testing::PrintToString(messages());
  }
  FrameRequest frame(int mode, const std::string& name, std::uint32_t number,
                     const std::string& bytes) {
    FrameRequest f;
    f.captureMode = mode;
    f.localPath = dir.file(name);
    f.runningNumber = number;
    writeFile(f.localPath, bytes);
    return f;
  }
  void run(const FrameRequest& f) {
    uploader.queue(upload::UploadFrame{f});
    uploader.waitUntilDone();
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& line : view.lines()) out.push_back(line.substr(line.find("> ") + 2));
    return out;
  }
  bool logged(const std::string& message) const {
    auto m = messages();
    return std::find(m.begin(), m.end(), message) != m.end();
  }

  TempDir dir;
  FakeClock clock{0};
  FakeSleeper sleeper{&clock};
  MemoryLogView view{400, 6};
  EventLog log{clock, dir.path()};
  RecordingUploaderSink sink;
  CurlFtpClient client;
  FtpUploader uploader;
};

}  // namespace karone::testing
