// Publishing one motion strip to a loopback FTP server (pyftpdlib): the
// strip, the status page (upload, delete, rename) and the rotation delete,
// through the uploader's worker on the libcurl client. Counters per strip:
// FTP commands the server received, control connections (logins) and data
// connections (EPSV/PASV/PORT/EPRT). The floor is six commands that carry
// the work (STOR strip, STOR page, DELE, RNFR, RNTO, DELE oldest) plus one
// data-connection command for each STOR, on one kept control connection.
#include <sys/stat.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "ftp/MemoryLogView.h"
#include "platform/curl/CurlFtpClient.h"
#include "tests/support/PyFtpServer.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"

namespace karone {
namespace {

// Passes every call through and adds up the wall time spent per operation.
class TimingFtpClient final : public FtpClient {
 public:
  explicit TimingFtpClient(FtpClient& inner) : inner_(inner) {}
  FtpResult openSession(const std::string& agent) override { return inner_.openSession(agent); }
  FtpResult connect(const FtpConnectParams& p) override { return inner_.connect(p); }
  bool isConnected() const override { return inner_.isConnected(); }
  FtpResult currentDirectory(std::string& d) override {
    return timed("pwd", [&] { return inner_.currentDirectory(d); });
  }
  FtpResult setCurrentDirectory(const std::string& d) override {
    return timed("cd", [&] { return inner_.setCurrentDirectory(d); });
  }
  FtpResult putFile(const std::string& l, const std::string& r, FtpTransferMode m) override {
    return timed("put", [&] { return inner_.putFile(l, r, m); });
  }
  FtpResult deleteFile(const std::string& r) override {
    return timed("delete", [&] { return inner_.deleteFile(r); });
  }
  FtpResult renameFile(const std::string& f, const std::string& t) override {
    return timed("rename", [&] { return inner_.renameFile(f, t); });
  }
  FtpResult listDirectory(std::vector<FtpFileEntry>& e) override {
    return timed("list", [&] { return inner_.listDirectory(e); });
  }
  std::string lastResponseText() const override { return inner_.lastResponseText(); }
  void disconnect() override { inner_.disconnect(); }
  void closeSession() override { inner_.closeSession(); }

  std::map<std::string, double> millis;

 private:
  template <typename F>
  FtpResult timed(const char* op, F f) {
    auto t0 = std::chrono::steady_clock::now();
    auto r = f();
    millis[op] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    return r;
  }
  FtpClient& inner_;
};

void BM_PublishMotionStrip(benchmark::State& state) {
  testing::PyFtpServer server;
  if (!server.started()) {
    state.SkipWithError(server.error().c_str());
    return;
  }
  ::mkdir((server.root() + "/live").c_str(), 0755);
  testing::TempDir dir;
  CurlFtpClient curl;
  TimingFtpClient client(curl);
  FakeClock clock;
  FakeSleeper sleeper(&clock);
  MemoryLogView view;
  EventLog log(clock, dir.path());
  log.setView(&view);
  UploadContext context;
  context.capturing = true;
  FtpUploader uploader({client, log, sleeper, dir.path(), {}, [&] { return context; }, {}});
  auto params = server.params();
  ProfileInfo p;
  p.address = params.address;
  p.port = params.port;
  p.userId = params.user;
  p.password = params.password;
  p.uploadDirectory = "/live";
  p.passiveMode = 1;
  uploader.SetProfile(p);
  uploader.StartWorker();
  uploader.queue(upload::Connect{});
  uploader.waitUntilDone();
  if (!uploader.IsConnected()) {
    state.SkipWithError("cannot connect");
    return;
  }
  const std::string strip(12 * 1024, 'j');  // a small strip
  std::uint32_t n = 0;
  // Reach the steady state (rotation deleting) before measuring.
  auto publish = [&] {
    FrameRequest f;
    f.localPath = dir.file(motionFrameName(n));
    f.runningNumber = n++;
    testing::writeFile(f.localPath, strip);
    uploader.queue(upload::UploadFrame{f});
    uploader.waitUntilDone();
  };
  for (int i = 0; i < 11; ++i) publish();
  server.clearTranscript();
  client.millis.clear();
  for (auto _ : state) publish();

  double commands = 0, controls = 0, data = 0;
  for (const auto& line : server.transcript()) {
    auto verb = line.substr(line.find(' ') + 1);
    if (verb == "CONNECT") {
      ++controls;
      continue;
    }
    ++commands;
    for (const char* d : {"EPSV", "PASV", "PORT", "EPRT"}) {
      if (verb.rfind(d, 0) == 0) ++data;
    }
  }
  const double strips = static_cast<double>(state.iterations());
  state.counters["commands_per_strip"] = commands / strips;
  state.counters["logins_per_strip"] = controls / strips;
  state.counters["data_connections_per_strip"] = data / strips;
  state.counters["floor_commands"] = 8;
  for (const auto& [op, ms] : client.millis) state.counters[op + "_ms_per_strip"] = ms / strips;
  uploader.queue(upload::Disconnect{});
  uploader.waitUntilDone();
}
BENCHMARK(BM_PublishMotionStrip)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace karone
