#include "schedule/ScheduleRules.h"

namespace karone {

Seconds atLocalTimeOfDay(Seconds day, int addDays, int hour, int minute, int second) {
  LocalTime local = toLocalTime(day);
  local.day += addDays;  // normalised by the conversion: day 32 is next month's 1st
  local.hour = hour;
  local.minute = minute;
  local.second = second;
  return fromLocalTime(local);
}

namespace {

// The next occurrence, counted from today, of the time of day
// hour:minute:second on a day `d` days ahead (d = 0: today, or a week
// ahead when today's has passed; `wrap` is the step in days then).
Seconds nextOccurrence(Seconds now, int d, int wrap, int hour, int minute, int second) {
  Seconds t = atLocalTimeOfDay(now, d, hour, minute, second);
  if (d == 0 && t < now) t = atLocalTimeOfDay(now, wrap, hour, minute, second);
  return t;
}

int weekdayDistance(Seconds from, Seconds to) {
  int d = toLocalTime(to).weekday - toLocalTime(from).weekday;
  return d < 0 ? d + 7 : d;
}

// Inclusive ranges [a1, b1] and [a2, b2]: one end of the first lies in the
// second, or the first covers the second.
template <typename T>
bool rangesOverlap(T a1, T b1, T a2, T b2) {
  return (a1 >= a2 && a1 <= b2) || (b1 >= a2 && b1 <= b2) || (a1 <= a2 && b1 >= b2);
}

struct Range {
  int from;
  int to;
};

Range dayRange(Seconds start, Seconds end) {
  Range r{toLocalTime(start).weekday + 1, toLocalTime(end).weekday + 1};
  if (r.from > r.to) r.to += 7;
  return r;
}

Range minuteRange(Seconds start, Seconds end) {
  LocalTime s = toLocalTime(start);
  LocalTime e = toLocalTime(end);
  Range r{s.hour * 60 + s.minute, e.hour * 60 + e.minute};
  if (r.from > r.to) r.to += 3600;  // the end counts on the following day
  return r;
}

}  // namespace

std::optional<Seconds> nextStartDelay(const ScheduleInfo& entry, Seconds now) {
  const Seconds start = entry.start;
  switch (entry.period) {
    case PeriodOnce:
      if (now > start) return std::nullopt;
      return start - now;
    case PeriodDaily: {
      LocalTime s = toLocalTime(start);
      return nextOccurrence(now, 0, 1, s.hour, s.minute, 0) - now;
    }
    case PeriodWeekly: {
      LocalTime s = toLocalTime(start);
      return nextOccurrence(now, weekdayDistance(now, start), 7, s.hour, s.minute, 0) - now;
    }
    default:
      return std::nullopt;  // not a period: never due
  }
}

std::optional<NextDue> findNextDue(const std::vector<ScheduleInfo>& schedules, Seconds now) {
  std::optional<NextDue> best;
  for (const ScheduleInfo& entry : schedules) {
    std::optional<Seconds> delay = nextStartDelay(entry, now);
    if (!delay) continue;
    if (!best || *delay < best->delay) best = NextDue{*delay, entry};
  }
  return best;
}

Seconds timeUntilEnd(const ScheduleInfo& entry, Seconds now) {
  const Seconds end = entry.end;
  LocalTime e = toLocalTime(end);
  switch (entry.period) {
    case PeriodDaily:
      return nextOccurrence(now, 0, 1, e.hour, e.minute, e.second) - now;
    case PeriodWeekly:
      return nextOccurrence(now, weekdayDistance(now, entry.start), 7, e.hour, e.minute,
                            e.second) -
             now;
    default:
      return end - now;
  }
}

OverlapTests overlapTestsFor(std::int32_t candidate, std::int32_t stored) {
  if (candidate == PeriodDaily || stored == PeriodDaily) return {false, false, true};
  if (candidate == PeriodOnce && stored == PeriodOnce) return {true, false, false};
  return {false, true, true};
}

bool instantRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2) {
  return rangesOverlap(start1, end1, start2, end2);
}

bool weekdayRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2) {
  Range a = dayRange(start1, end1);
  Range b = dayRange(start2, end2);
  return rangesOverlap(a.from, a.to, b.from, b.to);
}

bool timeOfDayRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2) {
  Range a = minuteRange(start1, end1);
  Range b = minuteRange(start2, end2);
  return rangesOverlap(a.from, a.to, b.from, b.to);
}

bool scheduleOverlaps(Seconds start, Seconds end, std::int32_t period,
                      const ScheduleInfo& stored) {
  const OverlapTests tests = overlapTestsFor(period, stored.period);
  if (tests.instants && !instantRangesOverlap(start, end, stored.start, stored.end)) return false;
  if (tests.weekdays && !weekdayRangesOverlap(start, end, stored.start, stored.end)) return false;
  if (tests.timesOfDay && !timeOfDayRangesOverlap(start, end, stored.start, stored.end))
    return false;
  return true;
}

bool overlapsExisting(const std::vector<ScheduleInfo>& schedules, Seconds start, Seconds end,
                      std::int32_t period, const std::string& skipName) {
  for (const ScheduleInfo& stored : schedules) {
    if (!skipName.empty() && stored.name == skipName) continue;
    if (scheduleOverlaps(start, end, period, stored)) return true;
  }
  return false;
}

bool isInvalidSchedule(const ScheduleInfo& entry, Seconds now) {
  return entry.period == PeriodOnce && now > entry.start;
}

Text scheduleStatus(const ScheduleInfo& entry, Seconds now,
                    const std::optional<std::string>& runningName) {
  if (runningName && *runningName == entry.name) return Text::ScheduleStatusRunning;
  if (isInvalidSchedule(entry, now)) return Text::ScheduleStatusInvalid;
  return Text::ScheduleStatusOnTime;
}

std::string schedulePeriodText(const ScheduleInfo& entry) {
  static constexpr Text kEvery[] = {Text::EverySunday,   Text::EveryMonday, Text::EveryTuesday,
                                    Text::EveryWednesday, Text::EveryThursday, Text::EveryFriday,
                                    Text::EverySaturday};
  switch (entry.period) {
    case PeriodWeekly:
      return text(kEvery[toLocalTime(entry.start).weekday]);
    case PeriodDaily:
      return text(Text::PeriodDailyName);
    default:
      return formatLocalTime("%Y/%m/%d", entry.start);
  }
}

std::string periodName(std::int32_t period) {
  switch (period) {
    case PeriodOnce:
      return text(Text::PeriodOnceName);
    case PeriodWeekly:
      return text(Text::PeriodWeeklyName);
    case PeriodDaily:
      return text(Text::PeriodDailyName);
    default:
      return "";
  }
}

}  // namespace karone
