// karone-store: dump, import and check the program's data file.
// Subcommands come from the table in Subcommand.h, one file each.
#include <cstdio>
#include <string>
#include <vector>

#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tools/karone_store/Subcommand.h"

namespace {

using namespace karone;
using namespace karone::store;

void printUsage(std::FILE* out) {
  std::fputs(formatText(Text::StoreUsage, DataStore::defaultPath().c_str()).c_str(), out);
  for (const auto& command : subcommands()) std::fprintf(out, "  %s\n", text(command.usage));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "%s\n", text(Text::StoreNoCommand));
    printUsage(stderr);
    return kExitUsage;
  }
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") {
    printUsage(stdout);
    return kExitOk;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : subcommands()) {
    if (name == command.name) return command.run(args);
  }
  std::fprintf(stderr, "%s\n", formatText(Text::StoreUnknownCommand, name.c_str()).c_str());
  return kExitUsage;
}
