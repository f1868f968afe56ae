// karone-store import JSON [FILE]: writes a data file from JSON, after
// validating all of it (the fields, the rules of stored records, and that
// the file written reads back as given); nothing is written when anything
// is wrong.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/karone_store/StoreJson.h"
#include "tools/karone_store/StoreTool.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

std::optional<std::string> readStandardInput(std::string& error) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(n));
    if (bytes.size() > kMaxJsonSize) {
      error = text(Text::StoreFileTooLarge);
      return std::nullopt;
    }
  }
}

int runImport(const std::vector<std::string>& argv) {
  Arguments args;
  if (auto error = parseArguments("import", argv, {}, args)) return usageError(*error, "import");
  if (args.positional.empty()) {
    return usageError(formatText(Text::StoreMissingArgument, "import"), "import");
  }
  if (args.positional.size() > 2) {
    return usageError(formatText(Text::StoreTooManyArguments, "import"), "import");
  }
  const std::string& jsonPath = args.positional[0];
  std::string error;
  auto jsonText =
      jsonPath == "-" ? readStandardInput(error) : readInputFile(jsonPath, error, kMaxJsonSize);
  if (!jsonText) return fail(formatText(Text::StoreCannotRead, jsonPath.c_str(), error.c_str()));
  auto records = storeFromJsonText(*jsonText, error);
  if (!records) {
    return fail(formatText(Text::StoreInvalidInput, jsonPath.c_str(), error.c_str()));
  }
  std::string path = dataFilePath(args, 1);
  int exitCode = kExitOk;
  auto lock = lockDataFolder(path, "import", exitCode);
  if (!lock) return exitCode;
  if (!saveDataFile(path, records->profiles, records->schedules, exitCode)) return exitCode;
  std::printf("%s\n", formatText(Text::StoreImported, path.c_str(),
                                 static_cast<int>(records->profiles.size()),
                                 static_cast<int>(records->schedules.size()))
                          .c_str());
  return kExitOk;
}

const bool registered = registerSubcommand({"import", Text::StoreUsageImport, runImport});

}  // namespace
}  // namespace karone::store
