#include "schedule/ScheduleValidation.h"

#include "schedule/ScheduleForm.h"
#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

constexpr Seconds kMinute = 60;
constexpr Seconds kDay = 86400;
constexpr Seconds kWeek = 7 * kDay;
constexpr Seconds kThirtyDays = 30 * kDay;
constexpr Seconds kYear = 365 * kDay;
constexpr Seconds kDialupLead = 300;

ScheduleRefusal refuse(int check, Text message) {
  return ScheduleRefusal{check, message, text(message)};
}

bool profileUsesDialup(const std::vector<ProfileInfo>* profiles, const std::string& name) {
  if (profiles == nullptr) return false;
  for (const ProfileInfo& p : *profiles) {
    if (p.name == name) return p.useDialup != 0;
  }
  return false;
}

}  // namespace

std::optional<ScheduleRefusal> validateSchedule(const ScheduleInfo& c,
                                                const ScheduleValidationContext& ctx) {
  static const std::vector<ScheduleInfo> kNone;
  const std::vector<ScheduleInfo>& schedules = ctx.schedules ? *ctx.schedules : kNone;
  const Seconds start = c.start;
  const Seconds end = c.end;
  const Seconds span = end - start;
  const Seconds lead = start - ctx.now;
  const bool still = c.captureMode == CaptureStill;

  if (trimBlanks(c.name).empty()) return refuse(1, Text::ScheduleNameRequired);
  if (!ctx.modifiedName || *ctx.modifiedName != c.name) {
    for (const ScheduleInfo& s : schedules) {
      if (s.name == c.name) {
        return ScheduleRefusal{2, Text::ScheduleNameExists,
                               formatText(Text::ScheduleNameExists, c.name.c_str())};
      }
    }
  }
  if (start <= ctx.now) return refuse(3, Text::ScheduleStartPassed);
  if (start > end) return refuse(4, Text::ScheduleEndBeforeStart);
  if (span < kMinute) return refuse(5, Text::ScheduleSpanTooShort);
  if (c.period == PeriodDaily && span > kDay) return refuse(6, Text::ScheduleDailyTooLong);
  if (c.period == PeriodWeekly && span > kWeek) return refuse(7, Text::ScheduleWeeklyTooLong);
  if (c.period == PeriodOnce && span > kThirtyDays) return refuse(8, Text::ScheduleOnceTooLong);
  if (still && span < c.updatePeriod) return refuse(9, Text::ScheduleShorterThanUpdate);
  // An update period of 0 never comes from the dialog; it must not divide.
  if (still && c.updatePeriod > 0 && span % c.updatePeriod == 0)
    return refuse(10, Text::ScheduleEndsOnCapture);
  if (lead > kYear) return refuse(11, Text::ScheduleTooFarAhead);
  if (profileUsesDialup(ctx.profiles, c.ftpProfileName) && lead < kDialupLead)
    return refuse(12, Text::ScheduleDialupLeadTooShort);
  if (overlapsExisting(schedules, start, end, c.period, ctx.modifiedName.value_or("")))
    return refuse(13, Text::ScheduleOverlaps);
  return std::nullopt;
}

}  // namespace karone
