// karone-store dump [FILE] [--show-passwords]: the data file as JSON.
#include <cstdio>

#include "tools/karone_store/StoreJson.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

int runDump(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("dump", argv, {"--show-passwords"}, args)) {
    return usageError(*error, "dump");
  }
  if (args.positional.size() > 1) {
    return usageError(formatText(Text::StoreTooManyArguments, "dump"), "dump");
  }
  std::string path = dataFilePath(args, 0);
  int exitCode = kExitOk;
  auto contents = loadDataFile(path, exitCode);
  if (!contents) return exitCode;
  Json json = storeToJson(contents->profiles, contents->schedules, args.has("--show-passwords"));
  std::string out = json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  std::printf("%s\n", out.c_str());
  return std::fflush(stdout) == 0 ? kExitOk : kExitInvalid;
}

const bool registered = registerSubcommand({"dump", Text::StoreUsageDump, runDump});

}  // namespace
}  // namespace karone::store
