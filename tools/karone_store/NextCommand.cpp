// karone-store next [FILE]: the schedule that starts next, as the main
// window shows it: its name, then the time until its start
// (days, HH:MM:SS); NoScheduleName and a line of "--" when none is due.
#include <cstdio>

#include "platform/Clock.h"
#include "schedule/ScheduleCountdown.h"
#include "schedule/ScheduleRules.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runNext(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("next", argv, {}, args)) return usageError(*error, "next");
  if (args.positional.size() > 1) {
    return usageError(formatText(Text::StoreTooManyArguments, "next"), "next");
  }
  const std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;
  const auto due = findNextDue(contents->schedules, SystemClock::instance().now());
  if (due) {
    std::printf("%s\n%s\n", due->entry.name.c_str(), formatCountdown(due->delay).c_str());
  } else {
    std::printf("%s\n%s\n", text(Text::NoScheduleName), emptyCountdown().c_str());
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitInvalid;
}

const bool registered = registerSubcommand({"next", Text::StoreUsageNext, runNext});

}  // namespace
}  // namespace karone::store
