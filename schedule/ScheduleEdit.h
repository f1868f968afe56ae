#pragma once
// Confirming a schedule entry, as the schedule edit dialog does on OK and
// the command-line tool does for add-schedule: the instants are formed from
// the fields at `now`, then the candidate runs through the checks. Either
// the entry to store or the first refusal comes back.
//
// Pure function of its arguments and the time zone; any thread.
#include <optional>
#include <string>
#include <vector>

#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleForm.h"
#include "schedule/ScheduleInfo.h"
#include "schedule/ScheduleValidation.h"

namespace karone {

struct ScheduleEditResult {
  ScheduleInfo entry;                      // the candidate as formed
  std::optional<ScheduleRefusal> refusal;  // nothing: store `entry`
};

// `modifiedName`: the name the entry had when an existing entry is
// changed; nothing when a new entry is added.
ScheduleEditResult confirmScheduleEdit(const ScheduleFields& fields, Seconds now,
                                       const std::vector<ScheduleInfo>& schedules,
                                       const std::vector<ProfileInfo>& profiles,
                                       const std::optional<std::string>& modifiedName);

}  // namespace karone
