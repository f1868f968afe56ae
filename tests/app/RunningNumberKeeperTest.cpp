#include "app/RunningNumberKeeper.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/SettingsStore.h"
#include "platform/SettingsStorage.h"
#include "tests/doubles/MemorySettingsStorage.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

std::uint32_t stored(const MemorySettingsStorage& storage) {
  return static_cast<std::uint32_t>(
      *SettingsStore::parseInteger(storage.values.at(SettingsStore::kRunningNumberName)));
}

TEST(RunningNumberKeeper, StoresAheadOfEveryNumberInBlocks) {
  testing::TempDir dir;
  MemorySettingsStorage storage;
  storage.exists = true;
  storage.values["iBufferSize"] = "6";
  RunningNumberKeeper keeper(storage, dir.file("record"));
  ASSERT_EQ(keeper.blockSize(), RunningNumberKeeper::kDefaultBlock);
  for (std::uint32_t n = 5; n < 200; ++n) {
    ASSERT_TRUE(keeper.reserve(n));
    const std::uint32_t ahead = stored(storage) - n;
    EXPECT_GE(ahead, 1u) << n;
    EXPECT_LE(ahead, keeper.blockSize()) << n;
    EXPECT_TRUE(keeper.reserve(n)) << "asking twice costs nothing";
  }
  EXPECT_EQ(keeper.writes(), (200 - 5 + 31) / 32);
  EXPECT_EQ(storage.values["iBufferSize"], "6") << "other values stay";
  // Orderly end: exactly the next number.
  ASSERT_TRUE(keeper.store(200));
  EXPECT_EQ(stored(storage), 200u);
  ASSERT_TRUE(keeper.reserve(200));
  EXPECT_EQ(stored(storage), 232u);
}

TEST(RunningNumberKeeper, WrapAndCounterReset) {
  testing::TempDir dir;
  MemorySettingsStorage storage;
  storage.exists = true;
  RunningNumberKeeper keeper(storage, dir.file("record"));
  keeper.setBlockSize(16);
  ASSERT_TRUE(keeper.reserve(0xfffffff8u));
  EXPECT_EQ(storage.values[SettingsStore::kRunningNumberName], "8");
  for (std::uint32_t n : {0xfffffff9u, 0xffffffffu, 0u, 7u}) EXPECT_TRUE(keeper.reserve(n));
  EXPECT_EQ(keeper.writes(), 1);
  ASSERT_TRUE(keeper.reserve(8));
  EXPECT_EQ(stored(storage), 24u);
  // The operator sets the counter back to 0: stored as asked, then covered anew.
  ASSERT_TRUE(keeper.store(0));
  EXPECT_EQ(stored(storage), 0u);
  ASSERT_TRUE(keeper.reserve(0));
  EXPECT_EQ(stored(storage), 16u);
  // A number before the block (a reset without store) is not covered.
  ASSERT_TRUE(keeper.reserve(100));
  ASSERT_TRUE(keeper.reserve(3));
  EXPECT_EQ(stored(storage), 19u);
}

TEST(RunningNumberKeeper, AFailedWriteIsReportedAndCoversNothing) {
  testing::TempDir dir;
  MemorySettingsStorage storage;
  RunningNumberKeeper keeper(storage, dir.file("record"));
  storage.failCreate = true;
  EXPECT_FALSE(keeper.reserve(1)) << "no key and none can be made";
  storage.failCreate = false;
  EXPECT_TRUE(keeper.reserve(1)) << "the key is made when missing";
  storage.failWrites = true;
  EXPECT_FALSE(keeper.reserve(keeper.blockSize() + 1));
  EXPECT_FALSE(keeper.reserve(keeper.blockSize() + 2)) << "still not covered";
  EXPECT_FALSE(keeper.store(7));
  storage.failWrites = false;
  EXPECT_TRUE(keeper.reserve(keeper.blockSize() + 2));
}

// The settings file lost or replaced by defaults: the second record carries
// the number on, the settings' own value when it is the one ahead.
TEST(RunningNumberKeeper, TheRecordAheadWinsAtStartAndAResetResetsBoth) {
  testing::TempDir dir;
  const std::string record = dir.file("state/record");
  MemorySettingsStorage storage;
  RunningNumberKeeper keeper(storage, record);
  EXPECT_EQ(keeper.startFrom(7), 7u) << "no record yet";
  ASSERT_TRUE(keeper.reserve(100));
  EXPECT_EQ(testing::readFile(record), "132\n");
  MemorySettingsStorage lost;  // defaults: 0
  RunningNumberKeeper after(lost, record);
  struct Row {
    std::string record;
    std::uint32_t settings;
    std::uint32_t start;
  } rows[] = {{"132\n", 0, 132},         {"132\n", 200, 200},
              {"16\n", 0xfffffff0u, 16},  // past the wrap is ahead
              {"4294967295", 5, 5},       {"garbage", 9, 9},
              {"4294967296", 9, 9},       {"", 9, 9}};
  for (const Row& row : rows) {
    testing::writeFile(record, row.record);
    EXPECT_EQ(after.startFrom(row.settings), row.start) << row.record << " " << row.settings;
  }
  // The operator's reset holds after a restart.
  ASSERT_TRUE(after.store(0));
  EXPECT_EQ(after.startFrom(0), 0u);
}

TEST(RunningNumberKeeper, TheNextNumberGoesBeyondTheStripsOnTheServer) {
  struct Row {
    std::uint32_t next;
    std::vector<std::uint32_t> onServer;
    std::uint32_t result;
  } rows[] = {{0, {}, 0},
              {0, {0x41, 0x3f, 0x40}, 0x42},
              {0x50, {0x41, 0x4f}, 0x50},          // all behind
              {0x41, {0x41}, 0x42},                // the next one itself is taken
              {0xfffffffeu, {0xffffffffu, 2}, 3},  // across the wrap
              {5, {0x90000000u}, 5}};              // more than half the circle: behind
  for (const Row& row : rows)
    EXPECT_EQ(RunningNumberKeeper::beyondStrips(row.next, row.onServer), row.result) << row.next;
}

// A writer killed at any moment: the settings file always holds a number
// beyond every number it had published.
TEST(RunningNumberKeeper, KilledWriterNeverLeavesAPublishedNumberAhead) {
  testing::TempDir dir;
  const std::string settings = dir.file("Encoder.conf");
  const std::string published = dir.file("published");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FileSettingsStorage storage(settings);
    RunningNumberKeeper keeper(storage, dir.file("record"));
    keeper.setBlockSize(3);
    std::ofstream out(published, std::ios::app);
    for (std::uint32_t n = 0;; ++n) {
      if (!keeper.reserve(n)) ::_exit(1);
      out << n << "\n" << std::flush;
    }
  }
  // Killed once it has published a good number of them.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (testing::readFile(published).size() < 200 && std::chrono::steady_clock::now() < limit) {
    std::this_thread::yield();
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  std::ifstream in(published);
  long long last = -1;
  for (long long n; in >> n;) last = n;
  ASSERT_GE(last, 0);
  FileSettingsStorage storage(settings);
  ASSERT_TRUE(storage.openKey());
  auto value = storage.readValue(SettingsStore::kRunningNumberName);
  ASSERT_TRUE(value);
  EXPECT_GT(std::stoll(*value), last);
}

}  // namespace
}  // namespace karone
