#include "schedule/DataStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "resources/Texts.h"
#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

constexpr unsigned kFileMode = 0600;
constexpr off_t kMaxFileSize = static_cast<off_t>(kMaxDataFileSize);

// Special: a directory, device or pipe at the path; never moved aside.
enum class ReadOutcome { Read, Missing, Special, Unreadable };

ReadOutcome readDataFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadOutcome::Missing;
    error = std::strerror(errno);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return ReadOutcome::Special;
    return ReadOutcome::Unreadable;
  }
  struct stat st {};
  ReadOutcome outcome = ReadOutcome::Read;
  if (::fstat(fd, &st) != 0) {
    error = std::strerror(errno);
    outcome = ReadOutcome::Unreadable;
  } else if (S_ISDIR(st.st_mode)) {
    error = std::strerror(EISDIR);
    outcome = ReadOutcome::Special;
  } else if (!S_ISREG(st.st_mode)) {
    error = "not a regular file";
    outcome = ReadOutcome::Special;
  } else if (st.st_size > kMaxFileSize) {
    error = "file too large";
    outcome = ReadOutcome::Unreadable;
  } else {
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = std::strerror(errno);
        outcome = ReadOutcome::Unreadable;
        break;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
      if (bytes.size() > static_cast<size_t>(kMaxFileSize)) {
        error = "file too large";
        outcome = ReadOutcome::Unreadable;
        break;
      }
    }
  }
  ::close(fd);
  return outcome;
}

Text errorText(DataFileError error) {
  switch (error) {
    case DataFileError::BadClass:
      return Text::DataFileErrorBadClass;
    case DataFileError::BadSchema:
      return Text::DataFileErrorBadSchema;
    case DataFileError::BadIndex:
      return Text::DataFileErrorBadIndex;
    case DataFileError::None:
    case DataFileError::EndOfFile:
      break;
  }
  return Text::DataFileErrorEndOfFile;
}

template <typename Record>
typename std::vector<Record>::const_iterator firstNamed(const std::vector<Record>& list,
                                                        const std::string& name) {
  return std::find_if(list.begin(), list.end(),
                      [&](const Record& r) { return r.name == name; });
}

template <typename Record>
bool copyAt(const std::vector<Record>& list, int index, Record& out) {
  if (index < 0 || index >= static_cast<int>(list.size())) return false;
  out = list[static_cast<size_t>(index)];
  return true;
}

template <typename Record>
bool copyNamed(const std::vector<Record>& list, const std::string& name, Record& out) {
  auto it = firstNamed(list, name);
  if (it == list.end()) return false;
  out = *it;
  return true;
}

template <typename Record>
bool holdsName(const std::vector<Record>& list, const std::string& name) {
  return firstNamed(list, name) != list.end();
}

}  // namespace

// The folder is made when the file is written, not to read it.
std::string DataStore::defaultPath() {
  return paths::dataDir(paths::MakeFolder::No) + "EncData.zrd";
}

DataStore::DataStore() : DataStore(defaultPath()) {}

DataStore::DataStore(std::string path)
    : DataStore(std::move(path), nullptr, SystemClock::instance()) {}

DataStore::DataStore(std::string path, Prompter* prompter, const Clock& clock)
    : path_(std::move(path)), prompter_(prompter), clock_(&clock) {}

template <typename Record>
void DataStore::append(std::vector<Record>& list, const Record& record) {
  list.push_back(record);
  changed();
}

template <typename Record>
bool DataStore::remove(std::vector<Record>& list, const std::string& name) {
  auto it = firstNamed(list, name);
  if (it == list.end()) return false;
  list.erase(it);
  changed();
  return true;
}

template <typename Record>
bool DataStore::replace(std::vector<Record>& list, const std::string& oldName,
                        const Record& record) {
  auto it = firstNamed(list, oldName);
  if (it == list.end()) return false;
  list.erase(it);
  list.push_back(record);
  changed();
  return true;
}

// Profiles.

int DataStore::profileCount() const { return static_cast<int>(profiles_.size()); }
bool DataStore::getProfile(int index, ProfileInfo& out) const {
  return copyAt(profiles_, index, out);
}
bool DataStore::findProfile(const std::string& name, ProfileInfo& out) const {
  return copyNamed(profiles_, name, out);
}
bool DataStore::profileExists(const std::string& name) const { return holdsName(profiles_, name); }
void DataStore::addProfile(const ProfileInfo& profile) { append(profiles_, profile); }
bool DataStore::deleteProfile(const std::string& name) { return remove(profiles_, name); }
bool DataStore::modifyProfile(const std::string& oldName, const ProfileInfo& profile) {
  return replace(profiles_, oldName, profile);
}

std::vector<std::string> DataStore::profileNames() const {
  std::vector<std::string> names;
  names.reserve(profiles_.size());
  for (const ProfileInfo& p : profiles_) names.push_back(p.name);
  return names;
}

// Schedules.

int DataStore::scheduleCount() const { return static_cast<int>(schedules_.size()); }
bool DataStore::getSchedule(int index, ScheduleInfo& out) const {
  return copyAt(schedules_, index, out);
}
bool DataStore::findSchedule(const std::string& name, ScheduleInfo& out) const {
  return copyNamed(schedules_, name, out);
}
bool DataStore::scheduleExists(const std::string& name) const {
  return holdsName(schedules_, name);
}
void DataStore::addSchedule(const ScheduleInfo& schedule) { append(schedules_, schedule); }
bool DataStore::deleteSchedule(const std::string& name) { return remove(schedules_, name); }
bool DataStore::modifySchedule(const std::string& oldName, const ScheduleInfo& schedule) {
  return replace(schedules_, oldName, schedule);
}

void DataStore::deleteAllSchedules() {
  if (schedules_.empty()) return;
  schedules_.clear();
  changed();
}

bool DataStore::isProfileUsedBySchedule(const std::string& profileName) const {
  return std::any_of(schedules_.begin(), schedules_.end(),
                     [&](const ScheduleInfo& s) { return s.ftpProfileName == profileName; });
}

bool DataStore::findNextDue(std::int64_t& seconds, ScheduleInfo& out) const {
  std::optional<NextDue> due = karone::findNextDue(schedules_, clock_->now());
  if (!due) return false;
  seconds = due->delay;
  out = due->entry;
  return true;
}

bool DataStore::overlapsExisting(std::int64_t start, std::int64_t end, std::int32_t period,
                                 const std::string& skipName) const {
  return karone::overlapsExisting(schedules_, start, end, period, skipName);
}

int DataStore::deleteInvalidSchedules() {
  const Seconds now = clock_->now();
  const auto before = schedules_.size();
  schedules_.erase(std::remove_if(schedules_.begin(), schedules_.end(),
                                  [&](const ScheduleInfo& s) { return isInvalidSchedule(s, now); }),
                   schedules_.end());
  const int deleted = static_cast<int>(before - schedules_.size());
  if (deleted > 0) changed();
  return deleted;
}

// File.

namespace {

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes the data file, making its folder when it is missing.
FileResult writeDataFile(const std::string& path, const std::string& bytes) {
  if (bytes.size() > kMaxDataFileSize) {
    return {false, "cannot write " + path + ": the data take " + std::to_string(bytes.size()) +
                       " bytes, more than the " + std::to_string(kMaxDataFileSize) +
                       " a data file may hold"};
  }
  struct stat st {};
  const std::string folder = folderOf(path);
  if (::stat(folder.c_str(), &st) != 0) paths::makeDirectories(folder);
  return writeFileAtomically(path, bytes, kFileMode);
}

}  // namespace

bool DataStore::ensureFileExists() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return true;
  if (::stat(path_.c_str(), &st) == 0) return false;  // a directory: never written over
  return writeDataFile(path_, DataFile::write({}, {})).ok;
}

DataStore::LoadResult DataStore::load() {
  LoadResult result;
  std::string bytes;
  std::string ioError;
  ReadOutcome outcome = readDataFile(path_, bytes, ioError);
  original_ = Original::Safe;
  damagedBytes_.clear();
  keepFailureReported_ = false;

  if (outcome == ReadOutcome::Missing) {
    bound_ = true;
  } else if (outcome != ReadOutcome::Read) {
    result.ioError = ioError;
    if (outcome == ReadOutcome::Unreadable) {
      // Moved out of the way before a save could destroy it; a directory,
      // device or pipe is left alone and never saved over.
      original_ = Original::MoveAside;
      result.keptAs = damagedCopyPath();
      result.copyPending = true;
      bound_ = true;
      report(formatText(Text::DataFileUnreadable, path_.c_str(), ioError.c_str(),
                        result.keptAs.c_str()));
    } else {
      bound_ = false;
      report(formatText(Text::DataFileUnreadableNotKept, path_.c_str(), ioError.c_str()));
    }
  } else {
    result.fileRead = true;
    DataFileReadResult read = DataFile::read(bytes);
    profiles_.insert(profiles_.end(), read.profiles.begin(), read.profiles.end());
    schedules_.insert(schedules_.end(), read.schedules.begin(), read.schedules.end());
    result.error = read.error;
    bound_ = true;
    if (!read.ok()) {
      result.offset = read.offset;
      result.keptAs = existingCopyOf(bytes);
      if (result.keptAs.empty()) {
        original_ = Original::CopyBytes;
        damagedBytes_ = std::move(bytes);
        result.keptAs = damagedCopyPath();
        result.copyPending = true;
      }
      report(formatText(Text::DataFileDamaged, path_.c_str(), text(errorText(read.error)),
                        static_cast<unsigned long long>(read.offset), result.keptAs.c_str()));
    }
  }
  lastLoad_ = result;
  return result;
}

FileResult DataStore::keepOriginal() {
  FileResult kept;
  std::string where = lastLoad_.keptAs;
  struct stat st {};
  // The name told at load may have been taken since.
  if (where.empty() || ::lstat(where.c_str(), &st) == 0) where = damagedCopyPath();
  if (original_ == Original::CopyBytes) {
    kept = writeFileAtomically(where, damagedBytes_, kFileMode);
  } else if (::rename(path_.c_str(), where.c_str()) != 0 && errno != ENOENT) {
    kept = {false, "cannot move " + path_ + ": " + std::strerror(errno)};
  }
  if (kept.ok) {
    original_ = Original::Safe;
    damagedBytes_.clear();
    damagedBytes_.shrink_to_fit();
    lastLoad_.keptAs = where;
    lastLoad_.copyPending = false;
  } else if (!keepFailureReported_) {
    keepFailureReported_ = true;
    report(formatText(Text::DataFileDamagedNotKept, path_.c_str(), where.c_str(),
                      kept.error.c_str()));
  }
  return kept;
}

FileResult DataStore::save() {
  if (original_ != Original::Safe) {
    FileResult kept = keepOriginal();
    if (!kept.ok) {
      lastSave_ = kept;
      return lastSave_;
    }
  }
  lastSave_ = writeDataFile(path_, DataFile::write(profiles_, schedules_));
  if (lastSave_.ok) bound_ = true;
  return lastSave_;
}

bool DataStore::saveIfBound() { return bound_ && save().ok; }

void DataStore::changed() {
  if (!bound_) return;
  bool failingBefore = !lastSave_.ok;
  FileResult result = save();
  // Tell the operator when saving starts to fail, not at every change (a
  // failure to keep the original was told already).
  if (!result.ok && !failingBefore && original_ == Original::Safe) {
    report(formatText(Text::DataFileSaveFailed, path_.c_str(), result.error.c_str()));
  }
}

std::string DataStore::damagedCopyPath() const {
  std::string base = path_ + ".damaged-" + formatLocalTime("%Y%m%d-%H%M%S", clock_->now());
  std::string candidate = base;
  struct stat st {};
  for (int n = 2; ::lstat(candidate.c_str(), &st) == 0 && n < 100; ++n) {
    candidate = base + "-" + std::to_string(n);
  }
  return candidate;
}

std::string DataStore::existingCopyOf(const std::string& bytes) const {
  const std::string folder = folderOf(path_);
  const size_t slash = path_.rfind('/');
  const std::string prefix =
      (slash == std::string::npos ? path_ : path_.substr(slash + 1)) + ".damaged-";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string full = folder + "/" + name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != bytes.size()) {
      continue;
    }
    std::string copy;
    if (readWholeFile(full, copy).ok && copy == bytes && (found.empty() || full < found)) {
      found = full;
    }
  }
  ::closedir(dir);
  return found;
}

void DataStore::report(const std::string& message) {
  if (prompter_) {
    prompter_->ask(message, text(Text::DataFileCaption), PromptButtons::Ok, PromptIcon::Warning);
  }
}

}  // namespace karone
