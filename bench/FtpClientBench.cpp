// The libcurl FTP client against a loopback pyftpdlib server: wall time and
// FTP commands per operation on one kept control connection.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/curl/CurlFtpClient.h"
#include "tests/support/PyFtpServer.h"

namespace karone {
namespace {

struct Session {
  testing::PyFtpServer server;
  testing::TempDir tmp;
  CurlFtpClient ftp;
  bool ok = false;
  Session() {
    if (!server.started()) return;
    ftp.openSession("TamblorFTP");
    ok = static_cast<bool>(ftp.connect(server.params()));
  }
};

void reportPerOp(benchmark::State& state, const CurlFtpClient& ftp, int commandsBefore,
                 int loginsBefore) {
  double n = static_cast<double>(state.iterations());
  state.counters["commands/op"] = (ftp.commandsSent() - commandsBefore) / n;
  state.counters["logins/op"] = (ftp.loginsMade() - loginsBefore) / n;
}

void BM_PutFrame(benchmark::State& state) {
  Session s;
  if (!s.ok) {
    state.SkipWithError("no FTP test server");
    return;
  }
  std::string frame(static_cast<std::size_t>(state.range(0)), 'j');
  testing::writeFile(s.tmp.file("frame.jpg"), frame);
  int commands = s.ftp.commandsSent(), logins = s.ftp.loginsMade();
  for (auto _ : state) {
    FtpResult r = s.ftp.putFile(s.tmp.file("frame.jpg"), "motion_img_00000001.jpg",
                                FtpTransferMode::Binary);
    if (!r) state.SkipWithError(r.text.c_str());
  }
  reportPerOp(state, s.ftp, commands, logins);
}
BENCHMARK(BM_PutFrame)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeleteMissingAndRename(benchmark::State& state) {
  Session s;
  if (!s.ok) {
    state.SkipWithError("no FTP test server");
    return;
  }
  testing::writeFile(s.server.root() + "/a.html", "x");
  int commands = s.ftp.commandsSent(), logins = s.ftp.loginsMade();
  bool flip = false;
  for (auto _ : state) {
    s.ftp.deleteFile("currfrme.html");  // missing: refused, connection kept
    s.ftp.renameFile(flip ? "b.html" : "a.html", flip ? "a.html" : "b.html");
    flip = !flip;
  }
  reportPerOp(state, s.ftp, commands, logins);
}
BENCHMARK(BM_DeleteMissingAndRename)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListDirectory(benchmark::State& state) {
  Session s;
  if (!s.ok) {
    state.SkipWithError("no FTP test server");
    return;
  }
  char name[64];
  for (int i = 0; i < state.range(0); ++i) {
    std::snprintf(name, sizeof name, "/motion_img_%08x.jpg", i);
    testing::writeFile(s.server.root() + name, "x");
  }
  int commands = s.ftp.commandsSent(), logins = s.ftp.loginsMade();
  std::vector<FtpFileEntry> entries;
  for (auto _ : state) {
    FtpResult r = s.ftp.listDirectory(entries);
    if (!r || entries.size() != static_cast<std::size_t>(state.range(0))) {
      state.SkipWithError("listing failed");
    }
  }
  reportPerOp(state, s.ftp, commands, logins);
}
BENCHMARK(BM_ListDirectory)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace karone
