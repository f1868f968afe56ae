#include "platform/Clock.h"

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeSleeper.h"

namespace karone {
namespace {

TEST(Clock, LocalTimeFollowsTz) {
  testing::ScopedEnv tz("TZ", "Asia/Tokyo");
  // 2003-03-07 05:05:09 UTC = 14:05:09 in Tokyo.
  const Seconds instant = 1047013509;
  LocalTime local = toLocalTime(instant);
  EXPECT_EQ(local.year, 2003);
  EXPECT_EQ(local.month, 3);
  EXPECT_EQ(local.day, 7);
  EXPECT_EQ(local.hour, 14);
  EXPECT_EQ(local.weekday, 5);
  EXPECT_EQ(fromLocalTime(local), instant);
  EXPECT_EQ(formatLocalTime("(%y/%m/%d-%H:%M:%S)> ", instant), "(03/03/07-14:05:09)> ");
  testing::ScopedEnv berlin("TZ", "Europe/Berlin");
  EXPECT_EQ(toLocalTime(instant).hour, 6);
}

TEST(Clock, FromLocalTimeNormalisesAndHandlesDaylightSaving) {
  testing::ScopedEnv tz("TZ", "Europe/Berlin");
  LocalTime local{2024, 3, 30, 12, 0, 0};
  Seconds before = fromLocalTime(local);
  local.day += 1;  // across the change to summer time: 23 hours later
  EXPECT_EQ(fromLocalTime(local) - before, 23 * 3600);
  LocalTime overflow{2024, 1, 32, 0, 0, 0};
  EXPECT_EQ(toLocalTime(fromLocalTime(overflow)).month, 2);
}

TEST(Clock, FakeClockAndSleeperMoveTimeWithoutWaiting) {
  FakeClock clock(1000);
  FakeSleeper sleeper(&clock);
  sleeper.sleepMillis(400);
  EXPECT_EQ(clock.now(), 1000);
  sleeper.sleepMillis(5000);
  sleeper.sleepMillis(600);
  EXPECT_EQ(clock.now(), 1006);
  EXPECT_EQ(clock.monotonicMillis(), 6000);
  EXPECT_EQ(sleeper.calls(), 3);
  EXPECT_EQ(sleeper.totalMillis(), 6000);
}

TEST(AtomicFile, ReplacesWholeFilesAndReportsFailures) {
  testing::TempDir dir;
  std::string path = dir.file("f");
  ASSERT_TRUE(writeFileAtomically(path, "first", 0600).ok);
  ASSERT_TRUE(writeFileAtomically(path, "second").ok);
  std::string bytes;
  ASSERT_TRUE(readWholeFile(path, bytes).ok);
  EXPECT_EQ(bytes, "second");
  FileResult missing = writeFileAtomically(dir.file("no/such/folder"), "x");
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(missing.error.empty());
  EXPECT_FALSE(readWholeFile(dir.file("absent"), bytes).ok);
  EXPECT_FALSE(readWholeFile(dir.path(), bytes).ok);  // a folder
}

}  // namespace
}  // namespace karone
