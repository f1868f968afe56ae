#include "schedule/ScheduleForm.h"

#include <algorithm>
#include <limits>

#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

Seconds onDate(const LocalDate& date, int hour, int minute) {
  LocalTime local;
  local.year = date.year;
  local.month = date.month;
  local.day = date.day;
  local.hour = hour;
  local.minute = minute;
  local.second = 0;
  return fromLocalTime(local);
}

std::int32_t clampToStored(Seconds instant) {
  return static_cast<std::int32_t>(std::clamp<Seconds>(
      instant, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::string trimBlanks(const std::string& text) {
  static constexpr const char* kBlanks = " \t\r\n\v\f";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

ScheduleInstants formInstants(const ScheduleFields& f, Seconds now) {
  if (f.period == PeriodOnce) {
    return {onDate(f.startDate, f.startHour, f.startMinute),
            onDate(f.endDate, f.endHour, f.endMinute)};
  }
  int days = 0;
  const Seconds todayAtStart = atLocalTimeOfDay(now, 0, f.startHour, f.startMinute, 0);
  if (f.period == PeriodWeekly) {
    days = f.weekday - toLocalTime(now).weekday;
    if (days <= 0) days += 7;
    if (days == 7 && todayAtStart >= now) days = 0;
  } else if (todayAtStart < now) {
    days = 1;
  }
  return {atLocalTimeOfDay(now, days, f.startHour, f.startMinute, 0),
          atLocalTimeOfDay(now, days, f.endHour, f.endMinute, 0)};
}

ScheduleInfo formSchedule(const ScheduleFields& fields, Seconds now) {
  const ScheduleInstants instants = formInstants(fields, now);
  ScheduleInfo entry;
  entry.captureMode = fields.captureMode;
  entry.period = fields.period;
  entry.videoSource = fields.videoSource;
  entry.videoSize = fields.videoSize;
  entry.updatePeriod = fields.updatePeriod;
  entry.start = clampToStored(instants.start);
  entry.end = clampToStored(instants.end);
  entry.name = trimBlanks(fields.name);
  entry.ftpProfileName = fields.ftpProfileName;
  return entry;
}

}  // namespace karone
