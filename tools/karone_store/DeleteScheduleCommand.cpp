// karone-store delete-schedule [FILE] NAME: deletes the (first) schedule
// named NAME, as the scheduler dialog's delete button does.
#include <algorithm>
#include <cstdio>

#include "tools/ToolText.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runDeleteSchedule(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("delete-schedule", argv, {}, args)) {
    return usageError(*error, "delete-schedule");
  }
  if (args.positional.empty()) {
    return usageError(formatText(Text::StoreMissingArgument, "delete-schedule"),
                      "delete-schedule");
  }
  if (args.positional.size() > 2) {
    return usageError(formatText(Text::StoreTooManyArguments, "delete-schedule"),
                      "delete-schedule");
  }
  const std::string name = args.positional.back();
  args.positional.pop_back();
  const std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto lock = lockDataFolder(path, "delete-schedule", exitCode);
  if (!lock) return exitCode;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;

  auto& schedules = contents->schedules;
  auto it = std::find_if(schedules.begin(), schedules.end(),
                         [&](const ScheduleInfo& s) { return s.name == name; });
  if (it == schedules.end()) {
    return fail(formatText(Text::StoreNoSuchSchedule, tools::shown(name).c_str()));
  }
  schedules.erase(it);
  if (!saveDataFile(path, contents->profiles, schedules, exitCode)) return exitCode;
  std::printf("%s\n", formatText(Text::StoreScheduleDeleted, path.c_str(), name.c_str()).c_str());
  return kExitOk;
}

const bool registered =
    registerSubcommand({"delete-schedule", Text::StoreUsageDeleteSchedule, runDeleteSchedule});

}  // namespace
}  // namespace karone::store
