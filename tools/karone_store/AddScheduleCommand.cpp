// karone-store add-schedule [FILE] --name N --profile P --start HH:MM
// --end HH:MM [more options]: adds a schedule exactly as the schedule edit
// dialog does on OK: the instants are formed from the fields now (today or
// tomorrow, the next such weekday), the checks run in their order, and the
// entry is stored only when all pass; otherwise the first failing check's
// message is printed and the exit status is 1.
#include <cstdio>

#include "platform/Clock.h"
#include "schedule/RecordRules.h"
#include "schedule/ScheduleEdit.h"
#include "tools/ToolText.h"
#include "tools/karone_store/ScheduleOptions.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runAddSchedule(const std::vector<std::string>& argv) {
  const Seconds now = SystemClock::instance().now();
  std::string error;
  auto options = parseScheduleOptions(argv, now, error);
  if (!options) return usageError(error, "add-schedule");
  if (options->positional.size() > 1) {
    return usageError(formatText(Text::StoreTooManyArguments, "add-schedule"), "add-schedule");
  }
  // The dialog's edits hold one line.
  if (holdsLineBreak(options->fields.name)) {
    return fail(formatText(Text::StoreNameLineBreak, "add-schedule", "--name"));
  }
  Arguments args;
  args.positional = options->positional;
  const std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto lock = lockDataFolder(path, "add-schedule", exitCode);
  if (!lock) return exitCode;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;

  // The dialog only offers stored profiles.
  bool profileFound = false;
  for (const ProfileInfo& p : contents->profiles) {
    profileFound = profileFound || p.name == options->fields.ftpProfileName;
  }
  if (!profileFound) {
    return fail(
        formatText(Text::StoreNoSuchProfile, tools::shown(options->fields.ftpProfileName).c_str()));
  }

  ScheduleEditResult result = confirmScheduleEdit(options->fields, now, contents->schedules,
                                                  contents->profiles, std::nullopt);
  if (result.refusal) return fail(result.refusal->text);

  contents->schedules.push_back(result.entry);
  if (!saveDataFile(path, contents->profiles, contents->schedules, exitCode)) return exitCode;
  const char* kShown = "%Y-%m-%d %H:%M";
  std::printf("%s\n", formatText(Text::StoreScheduleAdded, path.c_str(),
                                 result.entry.name.c_str(),
                                 formatLocalTime(kShown, result.entry.start).c_str(),
                                 formatLocalTime(kShown, result.entry.end).c_str())
                          .c_str());
  return kExitOk;
}

const bool registered =
    registerSubcommand({"add-schedule", Text::StoreUsageAddSchedule, runAddSchedule});

}  // namespace
}  // namespace karone::store
