#include "schedule/ScheduleCountdown.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

TEST(ScheduleCountdown, DaysThenTwoDigitFields) {
  struct Case {
    Seconds s;
    const char* shown;
  } cases[] = {
      {0, "0 日, 00:00:00"},      {9, "0 日, 00:00:09"},     {10, "0 日, 00:00:10"},
      {3599, "0 日, 00:59:59"},   {86399, "0 日, 23:59:59"}, {86400, "1 日, 00:00:00"},
      {90061, "1 日, 01:01:01"}, {31536000, "365 日, 00:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatCountdown(c.s), c.shown) << c.s;
  EXPECT_EQ(emptyCountdown(), "-- 日, --:--:--");
}

}  // namespace
}  // namespace karone
