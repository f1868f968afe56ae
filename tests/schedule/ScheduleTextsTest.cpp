// The words the scheduler dialogs show for an entry's fields.
#include "schedule/ScheduleTexts.h"

#include <gtest/gtest.h>

#include "tests/support/ScopedTimeZone.h"

namespace karone {
namespace {

TEST(ScheduleTexts, FieldNames) {
  EXPECT_EQ(captureModeName(CaptureMotion), "動画");
  EXPECT_EQ(captureModeName(CaptureStill), "静止画");
  EXPECT_EQ(captureModeName(7), "静止画");
  EXPECT_EQ(videoSizeName(0), "160 x 120");
  EXPECT_EQ(videoSizeName(1), "176 x 144");
  EXPECT_EQ(videoSizeName(2), "320 x 240");
  EXPECT_EQ(videoSizeName(-4), "320 x 240");
  EXPECT_EQ(scheduleSourceName(-1), "");
  EXPECT_EQ(scheduleSourceName(1), "テレビチューナー");
  EXPECT_EQ(scheduleSourceName(2), "ビデオ");
  EXPECT_EQ(scheduleSourceName(3), "S-ビデオ");
  EXPECT_EQ(scheduleSourceName(9), "Unknown input");
  EXPECT_EQ(scheduleSourceName(0), "Unknown input");
  EXPECT_EQ(weekdayName(0), "日曜日");
  EXPECT_EQ(weekdayName(6), "土曜日");
  EXPECT_EQ(weekdayName(7), "");
  EXPECT_EQ(everyWeekdayName(5), "毎金曜日");
}

TEST(ScheduleTexts, TheDayOfAnInstantByPeriod) {
  testing::ScopedTimeZone zone("JST-9");
  ScheduleInfo entry;
  const Seconds tuesday = 1796688000;  // 2026-12-08 09:00 JST, a Tuesday
  entry.period = PeriodOnce;
  EXPECT_FALSE(scheduleDayName(entry, tuesday).has_value()) << "one-time entries show a date";
  entry.period = PeriodWeekly;
  EXPECT_EQ(scheduleDayName(entry, tuesday), "毎火曜日");
  EXPECT_EQ(scheduleDayName(entry, tuesday + 4 * 86400), "毎土曜日");
  entry.period = PeriodDaily;
  EXPECT_EQ(scheduleDayName(entry, tuesday), "毎日");
}

}  // namespace
}  // namespace karone
