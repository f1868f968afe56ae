#pragma once
// What the subcommands of karone-store share: argument handling, messages on
// stderr with the right exit status, and reading and writing data files
// without side effects (unlike DataStore::load, reading here never copies or
// rewrites a damaged file).
//
// Single-threaded.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InstanceLock.h"
#include "schedule/DataFile.h"

namespace karone::store {

// Prints the message as one line on stderr (line breaks of a multi-line
// text become spaces) and returns kExitInvalid.
int fail(const std::string& message);
// Prints one line on stderr, the message and where help is, returns
// kExitUsage.
int usageError(const std::string& message, const std::string& command);

// Splits args into flags (words starting with "--") and positional words.
// A flag not in `known` is a usage error: the message is returned.
struct Arguments {
  std::vector<std::string> positional;
  std::vector<std::string> flags;
  bool has(const std::string& flag) const;
};
std::optional<std::string> parseArguments(const std::string& command,
                                          const std::vector<std::string>& args,
                                          const std::vector<std::string>& known, Arguments& out);

// The FILE argument at `index`, else the program's own data file.
std::string dataFilePath(const Arguments& args, size_t index);

// Takes the lock of the folder of a data file for a writing command, so
// that the program cannot start (and later overwrite what the command
// wrote) while it runs. nullptr, the message printed and `exitCode` set,
// when the program (or another tool) holds the folder.
std::unique_ptr<InstanceLock> lockDataFolder(const std::string& dataFile,
                                             const std::string& command, int& exitCode);

// Reads a whole regular file of at most maxSize bytes. nullopt and `error`
// set when it cannot be read.
inline constexpr std::uint64_t kMaxJsonSize = 64u * 1024 * 1024;
std::optional<std::string> readInputFile(const std::string& path, std::string& error,
                                         std::uint64_t maxSize);

// Reads and parses a data file that must read cleanly. On failure prints the
// message and returns nullopt with `exitCode` set.
std::optional<DataFileReadResult> loadDataFile(const std::string& path, int& exitCode);

// Writes a data file atomically with mode 0600, only when what it writes
// reads back as given (no bigger than a data file may be); the program's
// own data folder is made when missing. On failure prints the message and
// returns false with `exitCode` set.
bool saveDataFile(const std::string& path, const std::vector<ProfileInfo>& profiles,
                  const std::vector<ScheduleInfo>& schedules, int& exitCode);

}  // namespace karone::store
