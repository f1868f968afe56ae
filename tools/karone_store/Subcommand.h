#pragma once
// The subcommands of karone-store, as a table. Each subcommand lives in a
// file of its own and adds itself to the table at start-up:
//
//   const bool registered = registerSubcommand({"dump", Text::StoreUsageDump, runDump});
//
// run() gets the arguments after the subcommand's name and returns the exit
// status: 0 success, 1 damaged or invalid input (one line on stderr), 2 usage
// error. Nothing may throw out of run().
//
// Single-threaded, like the whole tool.
#include <string>
#include <vector>

#include "resources/Texts.h"

namespace karone::store {

constexpr int kExitOk = 0;
constexpr int kExitInvalid = 1;
constexpr int kExitUsage = 2;

struct Subcommand {
  const char* name;
  Text usage;  // the name and its arguments, then a short description
  int (*run)(const std::vector<std::string>& args);
};

// Adds a subcommand to the table; returns true so that it can initialise a
// namespace-scope constant.
bool registerSubcommand(const Subcommand& command);
// The table in name order.
std::vector<Subcommand> subcommands();

}  // namespace karone::store
