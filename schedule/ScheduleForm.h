#pragma once
// What the schedule edit dialog (and the command-line tool) hold when the
// operator confirms an entry, and how the entry's start and end instants are
// formed from it:
// - Once: the chosen start date at the start time, the chosen end date at
//   the end time.
// - Daily: today when today at the start time has not passed yet, else
//   tomorrow; start and end on that day.
// - Weekly: the next day with the chosen weekday; today only when today has
//   that weekday and today's start time has not passed, else a week ahead.
// Seconds are always 0. Days are calendar days (see ScheduleRules.h).
//
// Pure functions; any thread.
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

struct LocalDate {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;
};

struct ScheduleFields {
  std::string name;  // as typed; blanks at both ends are trimmed
  std::string ftpProfileName;
  std::int32_t captureMode = CaptureMotion;
  std::int32_t period = PeriodOnce;
  std::int32_t videoSource = -1;
  std::int32_t videoSize = 1;
  std::int32_t updatePeriod = 3600;  // seconds
  int weekday = 0;                   // Weekly: 0 = Sunday .. 6 = Saturday
  LocalDate startDate;               // Once only
  LocalDate endDate;                 // Once only
  int startHour = 12, startMinute = 0;
  int endHour = 12, endMinute = 0;
};

struct ScheduleInstants {
  Seconds start = 0;
  Seconds end = 0;
};

// Blanks (space, tab, line breaks) removed at both ends.
std::string trimBlanks(const std::string& text);

// The start and end instants of the entry as confirmed at `now`.
ScheduleInstants formInstants(const ScheduleFields& fields, Seconds now);

// The candidate entry: the fields with the trimmed name and the formed
// instants. Instants outside the stored 32-bit range are clamped to it (the
// checks refuse such an entry as too far ahead or already past).
ScheduleInfo formSchedule(const ScheduleFields& fields, Seconds now);

}  // namespace karone
