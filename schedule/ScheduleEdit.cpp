#include "schedule/ScheduleEdit.h"

namespace karone {

ScheduleEditResult confirmScheduleEdit(const ScheduleFields& fields, Seconds now,
                                       const std::vector<ScheduleInfo>& schedules,
                                       const std::vector<ProfileInfo>& profiles,
                                       const std::optional<std::string>& modifiedName) {
  ScheduleEditResult result;
  result.entry = formSchedule(fields, now);
  ScheduleValidationContext context;
  context.now = now;
  context.schedules = &schedules;
  context.profiles = &profiles;
  context.modifiedName = modifiedName;
  result.refusal = validateSchedule(result.entry, context);
  return result;
}

}  // namespace karone
