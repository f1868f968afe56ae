// The schedule rules as the data store offers them to the run controller
// and the dialogs: over the stored list, at the store's clock.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "schedule/DataFile.h"
#include "schedule/DataStore.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"

namespace karone {
namespace {

ScheduleInfo once(const char* name, Seconds start, Seconds end) {
  ScheduleInfo s;
  s.name = name;
  s.start = static_cast<std::int32_t>(start);
  s.end = static_cast<std::int32_t>(end);
  return s;
}

TEST(DataStoreRules, NextDueOverlapsAndInvalidEntriesAtTheStoreClock) {
  testing::ScopedTimeZone tz("Asia/Tokyo");
  testing::TempDir dir;
  FakeClock clock(1'781'000'000);
  const Seconds now = clock.now();
  DataStore store(dir.file("EncData.zrd"), nullptr, clock);

  Seconds seconds = -1;
  ScheduleInfo due;
  EXPECT_FALSE(store.findNextDue(seconds, due)) << "no schedules";

  store.addSchedule(once("past", now - 600, now - 60));
  store.addSchedule(once("later", now + 900, now + 1800));
  store.addSchedule(once("sooner", now + 300, now + 600));
  ASSERT_TRUE(store.findNextDue(seconds, due));
  EXPECT_EQ(due.name, "sooner");
  EXPECT_EQ(seconds, 300);
  clock.advance(100);
  ASSERT_TRUE(store.findNextDue(seconds, due));
  EXPECT_EQ(seconds, 200) << "the store's clock, not the system's";

  EXPECT_TRUE(store.overlapsExisting(now + 600, now + 700, PeriodOnce, ""));
  EXPECT_FALSE(store.overlapsExisting(now + 600, now + 700, PeriodOnce, "sooner"));

  ASSERT_TRUE(store.save().ok);  // bound: changes are saved
  EXPECT_EQ(store.deleteInvalidSchedules(), 1);
  EXPECT_EQ(store.scheduleCount(), 2);
  EXPECT_EQ(DataFile::read(testing::readFile(store.path())).schedules.size(), 2u);
  EXPECT_EQ(store.deleteInvalidSchedules(), 0);
}

}  // namespace
}  // namespace karone
