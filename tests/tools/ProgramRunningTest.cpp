// The tools that write the data file or the settings refuse while the
// program holds the data folder, and say who holds it; reading goes on.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "schedule/DataStore.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

struct ToolRun {
  int status = -1;
  std::string err;
};

ToolRun run(const testing::ScopedProgramDirs& dirs, const std::string& command) {
  const std::string line = command + " 2>" + dirs.root().file("err") + " >/dev/null";
  const int rc = std::system(line.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, testing::readFile(dirs.root().file("err"))};
}

TEST(ToolsWhileTheProgramRuns, WritingCommandsRefuseAndNameTheProgram) {
  testing::ScopedProgramDirs dirs;
  {
    DataStore store(paths::dataDir() + "EncData.zrd");
    ProfileInfo p;
    p.name = "live";
    p.address = "127.0.0.1";
    store.addProfile(p);
    store.save();
  }
  const std::string json = dirs.root().file("in.json");
  testing::writeFile(json, R"({"profiles": [], "schedules": []})");
  const std::string jpeg = dirs.root().file("a.jpg");
  testing::writeFile(jpeg, "\xff\xd8\xff\xd9");

  InstanceLock program(paths::dataDir(), "karone-server");
  ASSERT_TRUE(program.held());
  const std::string pid = std::to_string(::getpid());
  for (const std::string& command :
       {std::string(KARONE_STORE_EXE) + " import " + json,
        std::string(KARONE_STORE_EXE) + " delete-schedule nothing",
        std::string(KARONE_STORE_EXE) + " delete-invalid",
        std::string(KARONE_FTP_EXE) + " send live " + jpeg}) {
    ToolRun r = run(dirs, command);
    EXPECT_EQ(r.status, 1) << command << "\n" << r.err;
    EXPECT_NE(r.err.find("karone-server"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(pid), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
  }
  // Reading is no harm.
  EXPECT_EQ(run(dirs, std::string(KARONE_STORE_EXE) + " dump").status, 0);
}

}  // namespace
}  // namespace karone
