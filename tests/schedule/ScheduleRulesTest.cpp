#include "schedule/ScheduleRules.h"

#include <gtest/gtest.h>

#include "schedule/ScheduleForm.h"
#include "tests/support/ScopedTimeZone.h"

namespace karone {
namespace {

using testing::ScopedTimeZone;

// Local wall-clock time in the current zone. 2026-06-09 is a Tuesday.
Seconds at(int y, int mo, int d, int h, int mi, int s = 0) {
  LocalTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return fromLocalTime(t);
}

ScheduleInfo entry(std::int32_t period, Seconds start, Seconds end, std::string name = "e") {
  ScheduleInfo s;
  s.period = period;
  s.start = static_cast<std::int32_t>(start);
  s.end = static_cast<std::int32_t>(end);
  s.name = std::move(name);
  return s;
}

ScheduleFields fields(std::int32_t period, int sh, int sm, int eh, int em, int weekday = 0) {
  ScheduleFields f;
  f.name = "x";
  f.period = period;
  f.weekday = weekday;
  f.startHour = sh;
  f.startMinute = sm;
  f.endHour = eh;
  f.endMinute = em;
  return f;
}

struct FormCase {
  const char* what;
  ScheduleFields fields;
  int nowDay, nowHour, nowMinute, nowSecond;   // June 2026
  int startDay, startHour, endDay, endHour;     // expected, June 2026, minute 0
};

TEST(ScheduleForm, PlacesPeriodicEntriesOnTheirDay) {
  ScopedTimeZone tz("Asia/Tokyo");
  const FormCase cases[] = {
      {"daily confirmed after its start: tomorrow", fields(PeriodDaily, 10, 0, 11, 0), 9, 10, 0,
       30, 10, 10, 10, 11},
      {"daily confirmed before its start: today", fields(PeriodDaily, 10, 0, 11, 0), 9, 9, 59, 0,
       9, 10, 9, 11},
      {"daily confirmed at its start: today", fields(PeriodDaily, 10, 0, 11, 0), 9, 10, 0, 0, 9,
       10, 9, 11},
      {"weekly today, start passed: a week ahead", fields(PeriodWeekly, 10, 0, 11, 0, 2), 9, 10,
       0, 30, 16, 10, 16, 11},
      {"weekly today, start ahead: today", fields(PeriodWeekly, 10, 0, 11, 0, 2), 9, 9, 0, 0, 9,
       10, 9, 11},
      {"weekly tomorrow's weekday: one day ahead", fields(PeriodWeekly, 10, 0, 11, 0, 3), 9, 12,
       0, 0, 10, 10, 10, 11},
      {"weekly yesterday's weekday: six days ahead", fields(PeriodWeekly, 10, 0, 11, 0, 1), 9, 8,
       0, 0, 15, 10, 15, 11},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScheduleInstants got =
        formInstants(c.fields, at(2026, 6, c.nowDay, c.nowHour, c.nowMinute, c.nowSecond));
    EXPECT_EQ(got.start, at(2026, 6, c.startDay, c.startHour, 0));
    EXPECT_EQ(got.end, at(2026, 6, c.endDay, c.endHour, 0));
  }
}

TEST(ScheduleForm, OnceTakesTheChosenDatesAndTrimsTheName) {
  ScopedTimeZone tz("Asia/Tokyo");
  ScheduleFields f = fields(PeriodOnce, 23, 0, 1, 30);
  f.name = "  夜の部\t";
  f.startDate = {2026, 6, 30};
  f.endDate = {2026, 7, 1};
  ScheduleInfo s = formSchedule(f, at(2026, 6, 9, 12, 0));
  EXPECT_EQ(s.start, at(2026, 6, 30, 23, 0));
  EXPECT_EQ(s.end, at(2026, 7, 1, 1, 30));
  EXPECT_EQ(s.name, "夜の部");
}

// Across the spring change (Berlin, 2026-03-29 02:00 -> 03:00) a periodic
// entry keeps its wall-clock time; adding 86400 s would move it to 11:00.
TEST(ScheduleForm, DaysAreCalendarDaysAcrossDaylightSaving) {
  ScopedTimeZone tz("Europe/Berlin");
  const Seconds saturday = at(2026, 3, 28, 10, 30);
  ScheduleInstants daily = formInstants(fields(PeriodDaily, 10, 0, 11, 0), saturday);
  EXPECT_EQ(toLocalTime(daily.start).hour, 10);
  EXPECT_EQ(daily.start, at(2026, 3, 29, 10, 0));
  EXPECT_EQ(daily.end - daily.start, 3600);

  ScheduleInstants weekly = formInstants(fields(PeriodWeekly, 10, 0, 11, 0, 6), saturday);
  EXPECT_EQ(weekly.start, at(2026, 4, 4, 10, 0));
}

TEST(NextStart, OnceDailyWeekly) {
  ScopedTimeZone tz("Asia/Tokyo");
  const Seconds now = at(2026, 6, 9, 10, 0, 30);  // Tuesday
  struct Case {
    const char* what;
    ScheduleInfo e;
    std::optional<Seconds> delay;
  } cases[] = {
      {"once ahead", entry(PeriodOnce, now + 100, now + 200), 100},
      {"once starting now", entry(PeriodOnce, now, now + 200), 0},
      {"once passed", entry(PeriodOnce, now - 1, now + 200), std::nullopt},
      {"daily passed today: tomorrow", entry(PeriodDaily, at(2026, 1, 1, 10, 0), 0),
       86400 - 30},
      {"daily later today", entry(PeriodDaily, at(2026, 1, 1, 10, 1), 0), 30},
      {"daily seconds of start ignored", entry(PeriodDaily, at(2026, 1, 1, 10, 1, 45), 0), 30},
      {"weekly today passed: a week", entry(PeriodWeekly, at(2026, 6, 2, 10, 0), 0),
       7 * 86400 - 30},
      {"weekly today later", entry(PeriodWeekly, at(2026, 6, 2, 11, 0), 0), 3600 - 30},
      {"weekly tomorrow, earlier hour", entry(PeriodWeekly, at(2026, 6, 3, 9, 0), 0),
       86400 - 3600 - 30},
      {"weekly yesterday's weekday", entry(PeriodWeekly, at(2026, 6, 8, 10, 0), 0),
       6 * 86400 - 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(nextStartDelay(c.e, now), c.delay);
  }
}

TEST(NextStart, FollowsTheWallClockAcrossDaylightSaving) {
  ScopedTimeZone tz("Europe/Berlin");
  // Saturday 10:30 CET; the 10:00 entry next starts Sunday 10:00 CEST, 22.5 h on.
  const Seconds now = at(2026, 3, 28, 10, 30);
  EXPECT_EQ(nextStartDelay(entry(PeriodDaily, at(2026, 3, 1, 10, 0), 0), now), 81000);
  EXPECT_EQ(nextStartDelay(entry(PeriodWeekly, at(2026, 3, 21, 10, 0), 0), now),
            at(2026, 4, 4, 10, 0) - now);
  // Autumn: Saturday 12:00 CEST to Sunday 10:00 CET is 23 h.
  EXPECT_EQ(nextStartDelay(entry(PeriodWeekly, at(2026, 10, 18, 10, 0), 0),
                           at(2026, 10, 24, 12, 0)),
            23 * 3600);
}

// Without daylight saving the calendar arithmetic gives exactly what adding
// 86400 s per day gives.
TEST(NextStart, SameAsPlainArithmeticWithoutDaylightSaving) {
  ScopedTimeZone tz("Asia/Tokyo");
  auto plain = [](const ScheduleInfo& e, Seconds now, bool toEnd) -> Seconds {
    LocalTime ref = toLocalTime(toEnd ? e.end : e.start);
    LocalTime today = toLocalTime(now);
    today.hour = ref.hour;
    today.minute = ref.minute;
    today.second = toEnd ? ref.second : 0;
    Seconds t = fromLocalTime(today);
    if (e.period == PeriodDaily) {
      if (t < now) t += 86400;
    } else {
      int d = toLocalTime(e.start).weekday - toLocalTime(now).weekday;
      if (d < 0) d += 7;
      if (d != 0) {
        t += d * 86400;
      } else if (t < now) {
        t += 604800;
      }
    }
    return t - now;
  };
  const ScheduleInfo entries[] = {
      entry(PeriodDaily, at(2026, 1, 1, 0, 0), at(2026, 1, 1, 0, 45)),
      entry(PeriodDaily, at(2026, 1, 1, 23, 59), at(2026, 1, 1, 23, 59)),
      entry(PeriodWeekly, at(2026, 1, 4, 6, 15), at(2026, 1, 4, 18, 0)),
      entry(PeriodWeekly, at(2026, 1, 10, 23, 30), at(2026, 1, 10, 23, 50)),
  };
  for (Seconds now = at(2026, 1, 1, 0, 0); now < at(2027, 1, 1, 0, 0); now += 7 * 3600 + 61) {
    for (const ScheduleInfo& e : entries) {
      ASSERT_EQ(nextStartDelay(e, now), plain(e, now, false)) << now;
      ASSERT_EQ(timeUntilEnd(e, now), plain(e, now, true)) << now;
    }
  }
}

TEST(FindNextDue, OrderRules) {
  ScopedTimeZone tz("Asia/Tokyo");
  const Seconds now = at(2026, 6, 9, 12, 0);
  EXPECT_FALSE(findNextDue({}, now));
  EXPECT_FALSE(findNextDue({entry(PeriodOnce, now - 10, now + 10, "a"),
                            entry(PeriodOnce, now - 3600, now - 60, "b")},
                           now))
      << "only past entries";

  auto due = findNextDue({entry(PeriodOnce, now - 10, now + 10, "past"),
                          entry(PeriodOnce, now + 480, now + 900, "first"),
                          entry(PeriodDaily, now + 480, now + 900, "tie")},
                         now);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->entry.name, "first") << "equal delays: the earlier in the list";
  EXPECT_EQ(due->delay, 480);

  due = findNextDue({entry(PeriodOnce, now + 500, now + 900, "later"),
                     entry(PeriodWeekly, now + 120, now + 900, "sooner")},
                    now);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->entry.name, "sooner");
  EXPECT_EQ(due->delay, 120);
}

TEST(TimeUntilEnd, EndJustPassedCountsOnTheNextOccurrence) {
  ScopedTimeZone tz("Asia/Tokyo");
  const ScheduleInfo daily = entry(PeriodDaily, at(2026, 6, 9, 10, 0), at(2026, 6, 9, 11, 0));
  const ScheduleInfo weekly = entry(PeriodWeekly, at(2026, 6, 2, 10, 0), at(2026, 6, 2, 11, 0));
  const ScheduleInfo once = entry(PeriodOnce, at(2026, 6, 9, 10, 0), at(2026, 6, 9, 11, 0));
  struct Case {
    const ScheduleInfo* e;
    int h, m, s;
    Seconds expected;
  } cases[] = {
      {&daily, 10, 30, 0, 1800},   {&daily, 11, 0, 0, 0},    {&daily, 11, 0, 1, 86399},
      {&weekly, 10, 30, 0, 1800},  {&weekly, 11, 0, 0, 0},   {&weekly, 11, 0, 1, 604799},
      {&once, 11, 0, 0, 0},        {&once, 11, 0, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.e->period << " at " << c.h << ":" << c.m << ":" << c.s);
    EXPECT_EQ(timeUntilEnd(*c.e, at(2026, 6, 9, c.h, c.m, c.s)), c.expected);
  }
}

TEST(TimeUntilEnd, FollowsTheWallClockAcrossDaylightSaving) {
  ScopedTimeZone tz("Europe/Berlin");
  const ScheduleInfo daily = entry(PeriodDaily, at(2026, 3, 1, 10, 0), at(2026, 3, 1, 11, 0));
  // Saturday 11:00:01 CET to Sunday 11:00 CEST: one hour short of a day.
  EXPECT_EQ(timeUntilEnd(daily, at(2026, 3, 28, 11, 0, 1)), 86399 - 3600);
}

TEST(Overlap, WhichTestsApply) {
  const std::int32_t O = PeriodOnce, W = PeriodWeekly, D = PeriodDaily;
  struct Case {
    std::int32_t candidate, stored;
    bool instants, weekdays, times;
  } cases[] = {
      {O, O, true, false, false}, {O, W, false, true, true}, {O, D, false, false, true},
      {W, O, false, true, true},  {W, W, false, true, true}, {W, D, false, false, true},
      {D, O, false, false, true}, {D, W, false, false, true}, {D, D, false, false, true},
  };
  for (const Case& c : cases) {
    OverlapTests t = overlapTestsFor(c.candidate, c.stored);
    EXPECT_EQ(t.instants, c.instants) << c.candidate << "/" << c.stored;
    EXPECT_EQ(t.weekdays, c.weekdays) << c.candidate << "/" << c.stored;
    EXPECT_EQ(t.timesOfDay, c.times) << c.candidate << "/" << c.stored;
  }
}

TEST(Overlap, Cases) {
  ScopedTimeZone tz("Asia/Tokyo");
  // June 2026: 9 Tue, 10 Wed, 13 Sat, 14 Sun, 15 Mon.
  struct Case {
    const char* what;
    ScheduleInfo candidate, stored;
    bool overlaps;
  } cases[] = {
      {"once against daily inside its hours",
       entry(PeriodOnce, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)),
       entry(PeriodDaily, at(2026, 6, 1, 9, 30), at(2026, 6, 1, 9, 45)), true},
      {"once against once on another day",
       entry(PeriodOnce, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)),
       entry(PeriodOnce, at(2026, 6, 10, 9, 0), at(2026, 6, 10, 10, 0)), false},
      {"touching once ranges",
       entry(PeriodOnce, at(2026, 6, 9, 10, 0), at(2026, 6, 9, 11, 0)),
       entry(PeriodOnce, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)), true},
      {"once one second after another",
       entry(PeriodOnce, at(2026, 6, 9, 10, 0, 1), at(2026, 6, 9, 11, 0)),
       entry(PeriodOnce, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)), false},
      {"once covering another",
       entry(PeriodOnce, at(2026, 6, 9, 8, 0), at(2026, 6, 9, 12, 0)),
       entry(PeriodOnce, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)), true},
      {"wrapped weekdays are not normalised (7-9 against 1-1)",
       entry(PeriodOnce, at(2026, 6, 13, 10, 0), at(2026, 6, 15, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 14, 12, 0), at(2026, 6, 14, 13, 0)), false},
      {"wrapped minutes are not normalised (1380-3660 against 30-45)",
       entry(PeriodOnce, at(2026, 6, 9, 23, 0), at(2026, 6, 10, 1, 0)),
       entry(PeriodDaily, at(2026, 6, 1, 0, 30), at(2026, 6, 1, 0, 45)), false},
      {"weekly on different weekdays",
       entry(PeriodWeekly, at(2026, 6, 15, 9, 0), at(2026, 6, 15, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)), false},
      {"weekly same weekday, touching hours",
       entry(PeriodWeekly, at(2026, 6, 15, 9, 0), at(2026, 6, 15, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 8, 10, 0), at(2026, 6, 8, 11, 0)), true},
      {"weekly same weekday, apart hours",
       entry(PeriodWeekly, at(2026, 6, 15, 9, 0), at(2026, 6, 15, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 8, 10, 1), at(2026, 6, 8, 11, 0)), false},
      {"daily against weekly at other hours",
       entry(PeriodDaily, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 14, 11, 0), at(2026, 6, 14, 12, 0)), false},
      {"weekly against once on its weekday",
       entry(PeriodWeekly, at(2026, 6, 8, 9, 0), at(2026, 6, 8, 10, 0)),
       entry(PeriodOnce, at(2026, 6, 22, 9, 30), at(2026, 6, 22, 11, 0)), true},
      {"once against weekly on another weekday",
       entry(PeriodOnce, at(2026, 6, 15, 9, 0), at(2026, 6, 15, 10, 0)),
       entry(PeriodWeekly, at(2026, 6, 9, 9, 0), at(2026, 6, 9, 10, 0)), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scheduleOverlaps(c.candidate.start, c.candidate.end, c.candidate.period, c.stored),
              c.overlaps)
        << c.what;
  }
}

TEST(Overlap, ExistingSkipsOnlyTheNamedEntry) {
  ScopedTimeZone tz("Asia/Tokyo");
  const std::vector<ScheduleInfo> stored = {
      entry(PeriodDaily, at(2026, 6, 1, 9, 0), at(2026, 6, 1, 10, 0), "morning"),
      entry(PeriodDaily, at(2026, 6, 1, 20, 0), at(2026, 6, 1, 21, 0), ""),
  };
  const Seconds s = at(2026, 6, 9, 9, 30), e = at(2026, 6, 9, 9, 40);
  EXPECT_TRUE(overlapsExisting(stored, s, e, PeriodOnce, ""));
  EXPECT_FALSE(overlapsExisting(stored, s, e, PeriodOnce, "morning"));
  EXPECT_TRUE(overlapsExisting(stored, s, e, PeriodOnce, "Morning")) << "exact bytes";
  EXPECT_FALSE(overlapsExisting({}, s, e, PeriodOnce, ""));
  // An empty skip name skips nothing, not the entry with the empty name.
  EXPECT_TRUE(overlapsExisting(stored, at(2026, 6, 9, 20, 30), at(2026, 6, 9, 20, 40),
                               PeriodOnce, ""));
}

TEST(ScheduleStatus, TextAndValidity) {
  ScopedTimeZone tz("Asia/Tokyo");
  const Seconds now = at(2026, 6, 9, 12, 0);
  const std::optional<std::string> none;
  struct Case {
    ScheduleInfo e;
    std::optional<std::string> running;
    Text status;
    bool invalid;
  } cases[] = {
      {entry(PeriodOnce, now - 1, now + 60, "a"), std::string("a"), Text::ScheduleStatusRunning,
       true},
      {entry(PeriodOnce, now - 1, now + 60, "a"), std::string("b"), Text::ScheduleStatusInvalid,
       true},
      {entry(PeriodOnce, now, now + 60, "a"), none, Text::ScheduleStatusOnTime, false},
      {entry(PeriodWeekly, now - 86400, now, "a"), none, Text::ScheduleStatusOnTime, false},
      {entry(PeriodDaily, now - 86400, now, "a"), none, Text::ScheduleStatusOnTime, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scheduleStatus(c.e, now, c.running), c.status) << c.e.period;
    EXPECT_EQ(isInvalidSchedule(c.e, now), c.invalid) << c.e.period;
  }
}

TEST(ScheduleStatus, PeriodTexts) {
  ScopedTimeZone tz("Asia/Tokyo");
  EXPECT_EQ(schedulePeriodText(entry(PeriodOnce, at(2026, 6, 9, 23, 0), 0)), "2026/06/09");
  EXPECT_STREQ(schedulePeriodText(entry(PeriodWeekly, at(2026, 6, 13, 9, 0), 0)).c_str(),
               text(Text::EverySaturday));
  EXPECT_STREQ(schedulePeriodText(entry(PeriodDaily, 0, 0)).c_str(), text(Text::PeriodDailyName));
}

}  // namespace
}  // namespace karone
