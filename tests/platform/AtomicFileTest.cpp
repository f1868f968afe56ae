// What a crash during an atomic write leaves behind: nothing, and what older
// crashes left is removed by the next write of the same file.
#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/TempDir.h"

namespace karone {
namespace {

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void makeOld(const std::string& path) {
  const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(AtomicFile, KilledWriterLeavesNoTemporary) {
  testing::TempDir dir;
  const std::string path = dir.file("EncData.zrd");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string bytes(8 << 20, 'p');
    for (;;) writeFileAtomically(path, bytes, 0600);
  }
  // Kill it the moment a temporary shows (a named one is there for the
  // whole write), or once the first write is done (it is in the next one).
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < limit) {
    auto names = namesIn(dir.path());
    if (std::any_of(names.begin(), names.end(), [&](const std::string& n) {
          return n == "EncData.zrd" || isAtomicTemporaryName(path, n);
        })) {
      break;
    }
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (const auto& name : namesIn(dir.path())) {
    EXPECT_FALSE(isAtomicTemporaryName(path, name)) << name;
  }
}

TEST(AtomicFile, StaleTemporariesOfTheTargetAreRemovedAtTheNextWrite) {
  testing::TempDir dir;
  const std::string path = dir.file("f");
  for (const char* name :
       {"f.tmp-abcDE9", "f.tmp-young1", "f.tmp-ab", "g.tmp-abcdef", "f.tmp-abcdefg"}) {
    testing::writeFile(dir.file(name), "left by a crash");
    if (std::string(name) != "f.tmp-young1") makeOld(dir.file(name));
  }
  ASSERT_TRUE(writeFileAtomically(path, "content", 0600).ok);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"f", "f.tmp-ab", "f.tmp-abcdefg",
                                                           "f.tmp-young1", "g.tmp-abcdef"}));
  EXPECT_EQ(testing::readFile(path), "content");

  EXPECT_TRUE(isAtomicTemporaryName("/x/EncData.zrd", "EncData.zrd.tmp-Ab3xYz"));
  EXPECT_FALSE(isAtomicTemporaryName("/x/EncData.zrd", "EncData.zrd.tmp-Ab3x.z"));
  EXPECT_FALSE(isAtomicTemporaryName("/x/EncData.zrd", "Other.zrd.tmp-Ab3xYz"));
}

TEST(AtomicFile, WritesWholeFilesWithTheirModeAndNothingElse) {
  testing::TempDir dir;
  const std::string path = dir.file("settings.conf");
  ::umask(022);
  ASSERT_TRUE(writeFileAtomically(path, "a=1\n", 0600).ok);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"settings.conf"}));
  FileResult missing = writeFileAtomically(dir.file("no/such/folder/f"), "x");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;
}

}  // namespace
}  // namespace karone
