#pragma once
// What a schedule entry's period, start and end mean, worked out over value
// copies of the entries: the next start of an entry, the entry due next, the
// time left until a running entry ends, whether two entries overlap, and an
// entry's status and validity in the schedule list.
//
// All calendar work is in local time (the process's TZ). Days are added as
// calendar days: the local date moves and the time of day stays, so an
// entry keeps its wall-clock time across a daylight-saving change. In a zone
// without daylight saving this is the same as adding 86400 seconds a day.
//
// Pure functions of their arguments and the time zone; any thread.
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "resources/Texts.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

// The instant at hour:minute:second local time on the local date of `day`
// moved by `addDays` calendar days.
Seconds atLocalTimeOfDay(Seconds day, int addDays, int hour, int minute, int second);

// Seconds from `now` until the next start of `entry` (seconds of the start
// taken as 0); nullopt when the entry is not due any more (a Once entry
// whose start has passed).
std::optional<Seconds> nextStartDelay(const ScheduleInfo& entry, Seconds now);

struct NextDue {
  Seconds delay = 0;  // seconds until the start, >= 0
  ScheduleInfo entry;
};

// The entry that starts next. On equal delays the earlier entry in list
// order wins. Nothing when no entry is due in the future.
std::optional<NextDue> findNextDue(const std::vector<ScheduleInfo>& schedules, Seconds now);

// Signed seconds from `now` until the end of the running `entry`. For Daily
// and Weekly entries an end already passed today counts on the next
// occurrence, so the run controller must stop the run at 0 or below.
Seconds timeUntilEnd(const ScheduleInfo& entry, Seconds now);

// Which of the three overlap tests apply to a candidate of period
// `candidate` against a stored entry of period `stored`.
struct OverlapTests {
  bool instants = false;
  bool weekdays = false;
  bool timesOfDay = false;
};
OverlapTests overlapTestsFor(std::int32_t candidate, std::int32_t stored);

// The three tests, each with inclusive bounds. The day and minute ranges of
// an entry that wraps (past Saturday, past midnight) are shifted forward
// only, never normalised against each other.
bool instantRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2);
bool weekdayRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2);
bool timeOfDayRangesOverlap(Seconds start1, Seconds end1, Seconds start2, Seconds end2);

// Whether a candidate overlaps one stored entry by the tests of the table.
bool scheduleOverlaps(Seconds start, Seconds end, std::int32_t period, const ScheduleInfo& stored);

// Whether a candidate overlaps any stored entry whose name is not
// `skipName` (nothing is skipped when skipName is empty).
bool overlapsExisting(const std::vector<ScheduleInfo>& schedules, Seconds start, Seconds end,
                      std::int32_t period, const std::string& skipName);

// A Once entry whose start has passed; Daily and Weekly entries never are.
bool isInvalidSchedule(const ScheduleInfo& entry, Seconds now);

// The status shown for an entry in the schedule list. `runningName` is the
// name of the entry whose scheduled run is in progress, if any.
Text scheduleStatus(const ScheduleInfo& entry, Seconds now,
                    const std::optional<std::string>& runningName);

// The period column of the schedule list: the start date of a Once entry
// (local, yyyy/mm/dd), "every <weekday>" for Weekly, "every day" for Daily.
std::string schedulePeriodText(const ScheduleInfo& entry);

// The name of a period value as the edit and info dialogs show it ("" for a
// value that is not a period).
std::string periodName(std::int32_t period);

}  // namespace karone
