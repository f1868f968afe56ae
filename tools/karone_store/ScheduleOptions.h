#pragma once
// The options of "karone-store add-schedule": the fields of the schedule
// edit dialog, given as "--name VALUE" pairs, checked for form (dates,
// times, ranges) before the schedule rules see them.
//
// Single-threaded, like the whole tool.
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "schedule/ScheduleForm.h"

namespace karone::store {

struct ScheduleOptions {
  std::vector<std::string> positional;  // [FILE]
  ScheduleFields fields;
};

// Parses the arguments after the subcommand's name; `now` gives today's
// date when no date is given. On a bad argument returns nullopt with the
// message in `error`.
std::optional<ScheduleOptions> parseScheduleOptions(const std::vector<std::string>& args,
                                                    Seconds now, std::string& error);

}  // namespace karone::store
