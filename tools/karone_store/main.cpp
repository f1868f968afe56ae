// karone-store: dump, import and check the program's data file.
// Subcommands come from the table in Subcommand.h, one file each.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/CoreDumps.h"
#include "platform/Installation.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tools/ToolText.h"
#include "tools/karone_store/Subcommand.h"

namespace {

using namespace karone;
using namespace karone::store;

void printUsage(std::FILE* out) {
  std::fputs(formatText(Text::StoreUsage, DataStore::defaultPath().c_str()).c_str(), out);
  for (const auto& command : subcommands()) std::fprintf(out, "  %s\n", text(command.usage));
}

// "--help" (or "-h") anywhere before "--".
bool asksForHelp(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  karone::switchOffCoreDumps();  // the data file holds passwords
  if (karone::installation::asksForVersion({argv + 1, argv + argc})) {
    std::printf("%s\n", karone::installation::versionLine("karone-store").c_str());
    return kExitOk;
  }
  if (argc < 2) {
    std::fprintf(stderr, "%s\n", text(Text::StoreNoCommand));
    return kExitUsage;
  }
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") {
    printUsage(stdout);
    return kExitOk;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : subcommands()) {
    if (name != command.name) continue;
    if (asksForHelp(args)) {
      std::printf("%s\n", formatText(Text::StoreUsageLine, text(command.usage)).c_str());
      return kExitOk;
    }
    return command.run(args);
  }
  std::fprintf(stderr, "%s\n",
               formatText(Text::StoreUnknownCommand, tools::shown(name).c_str()).c_str());
  return kExitUsage;
}
