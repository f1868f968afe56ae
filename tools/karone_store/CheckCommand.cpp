// karone-store check [FILE]: whether the data file reads cleanly, and if not
// which error at which byte offset.
#include <cstdio>

#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runCheck(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("check", argv, {}, args)) return usageError(*error, "check");
  if (args.positional.size() > 1) {
    return usageError(formatText(Text::StoreTooManyArguments, "check"), "check");
  }
  std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;
  int profiles = static_cast<int>(contents->profiles.size());
  int schedules = static_cast<int>(contents->schedules.size());
  if (contents->trailingBytes > 0) {
    std::printf("%s\n", formatText(Text::StoreCleanTrailing, path.c_str(), profiles, schedules,
                                   static_cast<unsigned long long>(contents->trailingBytes))
                            .c_str());
  } else {
    std::printf("%s\n", formatText(Text::StoreClean, path.c_str(), profiles, schedules).c_str());
  }
  return kExitOk;
}

const bool registered = registerSubcommand({"check", Text::StoreUsageCheck, runCheck});

}  // namespace
}  // namespace karone::store
