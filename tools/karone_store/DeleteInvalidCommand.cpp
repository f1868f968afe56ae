// karone-store delete-invalid [FILE]: deletes every one-time schedule whose
// start has passed, as the scheduler dialog's delete-invalid button does.
// Weekly and daily schedules are never invalid. The file is left untouched
// when nothing is deleted.
#include <algorithm>
#include <cstdio>

#include "platform/Clock.h"
#include "schedule/ScheduleRules.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runDeleteInvalid(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("delete-invalid", argv, {}, args)) {
    return usageError(*error, "delete-invalid");
  }
  if (args.positional.size() > 1) {
    return usageError(formatText(Text::StoreTooManyArguments, "delete-invalid"),
                      "delete-invalid");
  }
  const std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto lock = lockDataFolder(path, "delete-invalid", exitCode);
  if (!lock) return exitCode;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;

  const Seconds now = SystemClock::instance().now();
  auto& schedules = contents->schedules;
  const auto before = schedules.size();
  schedules.erase(std::remove_if(schedules.begin(), schedules.end(),
                                 [&](const ScheduleInfo& s) { return isInvalidSchedule(s, now); }),
                  schedules.end());
  const int deleted = static_cast<int>(before - schedules.size());
  if (deleted > 0 && !saveDataFile(path, contents->profiles, schedules, exitCode)) return exitCode;
  std::printf("%s\n", formatText(Text::StoreInvalidDeleted, path.c_str(), deleted).c_str());
  return kExitOk;
}

const bool registered =
    registerSubcommand({"delete-invalid", Text::StoreUsageDeleteInvalid, runDeleteInvalid});

}  // namespace
}  // namespace karone::store
