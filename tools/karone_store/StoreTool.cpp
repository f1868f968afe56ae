#include "tools/karone_store/StoreTool.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "tools/ToolText.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tools/karone_store/Subcommand.h"

namespace karone::store {
namespace {

std::map<std::string, Subcommand>& table() {
  static std::map<std::string, Subcommand> commands;
  return commands;
}

}  // namespace

bool registerSubcommand(const Subcommand& command) {
  table()[command.name] = command;
  return true;
}

std::vector<Subcommand> subcommands() {
  std::vector<Subcommand> out;
  for (const auto& [name, command] : table()) out.push_back(command);
  return out;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "%s\n", tools::oneLine(message).c_str());
  return kExitInvalid;
}

int usageError(const std::string& message, const std::string& command) {
  std::fprintf(stderr, "%s\n",
               tools::oneLine(formatText(Text::StoreSeeHelp, message.c_str(), command.c_str()))
                   .c_str());
  return kExitUsage;
}

bool Arguments::has(const std::string& flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::optional<std::string> parseArguments(const std::string& command,
                                          const std::vector<std::string>& args,
                                          const std::vector<std::string>& known, Arguments& out) {
  for (const auto& arg : args) {
    if (arg.rfind("--", 0) == 0) {
      if (std::find(known.begin(), known.end(), arg) == known.end()) {
        return formatText(Text::StoreUnknownOption, command.c_str(), tools::shown(arg).c_str());
      }
      out.flags.push_back(arg);
    } else {
      out.positional.push_back(arg);
    }
  }
  return std::nullopt;
}

std::string dataFilePath(const Arguments& args, size_t index) {
  if (index < args.positional.size()) return args.positional[index];
  return DataStore::defaultPath();
}

std::unique_ptr<InstanceLock> lockDataFolder(const std::string& dataFile,
                                             const std::string& command, int& exitCode) {
  const std::size_t slash = dataFile.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : dataFile.substr(0, slash + 1);
  auto lock = std::make_unique<InstanceLock>(folder, "karone-store " + command);
  if (lock->held() || !lock->holder()) {
    // Held, or no lock file can be made there (the write that follows
    // reports what is wrong with the folder).
    return lock;
  }
  exitCode = fail(formatText(Text::ToolProgramRunning, "karone-store",
                             lock->holder()->program.c_str(), lock->holder()->pid,
                             folder.c_str()));
  return nullptr;
}

std::optional<std::string> readInputFile(const std::string& path, std::string& error,
                                         std::uint64_t maxSize) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    error = text(Text::StoreNotRegularFile);
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(st.st_size) > maxSize) {
    error = text(Text::StoreFileTooLarge);
    return std::nullopt;
  }
  std::string bytes;
  FileResult read = readWholeFile(path, bytes);
  if (!read.ok) {
    error = read.error;
    return std::nullopt;
  }
  return bytes;
}

std::optional<DataFileReadResult> loadDataFile(const std::string& path, int& exitCode) {
  std::string error;
  auto bytes = readInputFile(path, error, kMaxDataFileSize);
  if (!bytes) {
    exitCode = fail(formatText(Text::StoreCannotRead, path.c_str(), error.c_str()));
    return std::nullopt;
  }
  DataFileReadResult result = DataFile::read(*bytes);
  if (!result.ok()) {
    exitCode = fail(formatText(Text::StoreDamaged, path.c_str(), DataFile::errorName(result.error),
                               static_cast<unsigned long long>(result.offset),
                               static_cast<int>(result.profiles.size()),
                               static_cast<int>(result.schedules.size())));
    return std::nullopt;
  }
  exitCode = kExitOk;
  return result;
}

bool saveDataFile(const std::string& path, const std::vector<ProfileInfo>& profiles,
                  const std::vector<ScheduleInfo>& schedules, int& exitCode) {
  const std::string bytes = DataFile::write(profiles, schedules);
  // What is written must read back: the program (and karone-ftp) would
  // otherwise find the profiles gone.
  if (bytes.size() > kMaxDataFileSize) {
    exitCode = fail(formatText(Text::StoreTooLargeToRead, path.c_str(),
                               static_cast<unsigned long long>(bytes.size()),
                               static_cast<unsigned long long>(kMaxDataFileSize)));
    return false;
  }
  DataFileReadResult back = DataFile::read(bytes);
  if (!back.ok() || back.profiles != profiles || back.schedules != schedules) {
    exitCode = fail(formatText(Text::StoreWouldNotReadBack, path.c_str()));
    return false;
  }
  if (path == DataStore::defaultPath()) {
    paths::makeDirectories(path.substr(0, path.rfind('/')));
  }
  FileResult written = writeFileAtomically(path, bytes, 0600);
  if (!written.ok) {
    exitCode = fail(formatText(Text::StoreCannotWrite, path.c_str(), written.error.c_str()));
    return false;
  }
  exitCode = kExitOk;
  return true;
}

}  // namespace karone::store
