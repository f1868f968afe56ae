#pragma once
// The checks a candidate schedule entry must pass before it is stored, in
// the order they run; the first that fails refuses the entry with its
// message (the caller shows it with a caption of its own).
//  1 name empty             6 Daily longer than a day      11 starts more than a year ahead
//  2 name already taken     7 Weekly longer than a week    12 dial-up profile, less than 5 min ahead
//  3 start not in future    8 Once longer than 30 days     13 overlaps another entry
//  4 end before start       9 still: shorter than one update period
//  5 shorter than a minute 10 still: a whole number of update periods
//
// Pure function of its arguments and the time zone; any thread.
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "resources/Texts.h"
#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

struct ScheduleValidationContext {
  Seconds now = 0;
  const std::vector<ScheduleInfo>* schedules = nullptr;  // the stored entries
  const std::vector<ProfileInfo>* profiles = nullptr;    // the stored profiles
  // The name the modified entry had; nullopt when a new entry is added.
  std::optional<std::string> modifiedName;
};

struct ScheduleRefusal {
  int check = 0;        // 1..13
  Text message{};       // the table entry
  std::string text;     // the message as shown (name filled in)
};

// Nothing when the candidate passes every check.
std::optional<ScheduleRefusal> validateSchedule(const ScheduleInfo& candidate,
                                                const ScheduleValidationContext& context);

}  // namespace karone
