#include "schedule/DataStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "resources/Texts.h"
#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

constexpr unsigned kFileMode = 0600;
// Far above any real data file (a few kilobytes); protects against a path
// that names something huge.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

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

}  // namespace

std::string DataStore::defaultPath() { return paths::dataDir() + "EncData.zrd"; }

DataStore::DataStore() : DataStore(defaultPath()) {}

DataStore::DataStore(std::string path)
    : DataStore(std::move(path), nullptr, SystemClock::instance()) {}

DataStore::DataStore(std::string path, Prompter* prompter, const Clock& clock)
    : path_(std::move(path)), prompter_(prompter), clock_(&clock) {}

// Profiles.

int DataStore::profileCount() const { return static_cast<int>(profiles_.size()); }

bool DataStore::getProfile(int index, ProfileInfo& out) const {
  if (index < 0 || index >= profileCount()) return false;
  out = profiles_[static_cast<size_t>(index)];
  return true;
}

bool DataStore::findProfile(const std::string& name, ProfileInfo& out) const {
  auto it = firstNamed(profiles_, name);
  if (it == profiles_.end()) return false;
  out = *it;
  return true;
}

bool DataStore::profileExists(const std::string& name) const {
  return firstNamed(profiles_, name) != profiles_.end();
}

void DataStore::addProfile(const ProfileInfo& profile) {
  profiles_.push_back(profile);
  changed();
}

bool DataStore::deleteProfile(const std::string& name) {
  auto it = firstNamed(profiles_, name);
  if (it == profiles_.end()) return false;
  profiles_.erase(it);
  changed();
  return true;
}

bool DataStore::modifyProfile(const std::string& oldName, const ProfileInfo& profile) {
  auto it = firstNamed(profiles_, oldName);
  if (it == profiles_.end()) return false;
  profiles_.erase(it);
  profiles_.push_back(profile);
  changed();
  return true;
}

// Schedules.

int DataStore::scheduleCount() const { return static_cast<int>(schedules_.size()); }

bool DataStore::getSchedule(int index, ScheduleInfo& out) const {
  if (index < 0 || index >= scheduleCount()) return false;
  out = schedules_[static_cast<size_t>(index)];
  return true;
}

bool DataStore::findSchedule(const std::string& name, ScheduleInfo& out) const {
  auto it = firstNamed(schedules_, name);
  if (it == schedules_.end()) return false;
  out = *it;
  return true;
}

bool DataStore::scheduleExists(const std::string& name) const {
  return firstNamed(schedules_, name) != schedules_.end();
}

void DataStore::addSchedule(const ScheduleInfo& schedule) {
  schedules_.push_back(schedule);
  changed();
}

bool DataStore::deleteSchedule(const std::string& name) {
  auto it = firstNamed(schedules_, name);
  if (it == schedules_.end()) return false;
  schedules_.erase(it);
  changed();
  return true;
}

bool DataStore::modifySchedule(const std::string& oldName, const ScheduleInfo& schedule) {
  auto it = firstNamed(schedules_, oldName);
  if (it == schedules_.end()) return false;
  schedules_.erase(it);
  schedules_.push_back(schedule);
  changed();
  return true;
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

bool DataStore::ensureFileExists() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return true;
  return writeFileAtomically(path_, DataFile::write({}, {}), kFileMode).ok;
}

DataStore::LoadResult DataStore::load() {
  LoadResult result;
  std::string bytes;
  std::string ioError;
  ReadOutcome outcome = readDataFile(path_, bytes, ioError);

  if (outcome == ReadOutcome::Missing) {
    bound_ = true;
  } else if (outcome != ReadOutcome::Read) {
    result.ioError = ioError;
    // Move the file out of the way so that saves cannot destroy it; a
    // directory, device or pipe is left alone.
    if (outcome == ReadOutcome::Unreadable) {
      std::string aside = damagedCopyPath();
      if (::rename(path_.c_str(), aside.c_str()) == 0) result.keptAs = aside;
    }
    bound_ = !result.keptAs.empty();
    if (bound_) {
      report(formatText(Text::DataFileUnreadable, path_.c_str(), ioError.c_str(),
                        result.keptAs.c_str()));
    } else {
      report(formatText(Text::DataFileUnreadableNotKept, path_.c_str(), ioError.c_str()));
    }
  } else {
    result.fileRead = true;
    DataFileReadResult read = DataFile::read(bytes);
    profiles_.insert(profiles_.end(), read.profiles.begin(), read.profiles.end());
    schedules_.insert(schedules_.end(), read.schedules.begin(), read.schedules.end());
    result.error = read.error;
    if (read.ok()) {
      bound_ = true;
    } else {
      result.offset = read.offset;
      std::string copy = damagedCopyPath();
      FileResult kept = writeFileAtomically(copy, bytes, kFileMode);
      const char* what = text(errorText(read.error));
      auto offset = static_cast<unsigned long long>(read.offset);
      if (kept.ok) {
        result.keptAs = copy;
        bound_ = true;
        report(formatText(Text::DataFileDamaged, path_.c_str(), what, offset, copy.c_str()));
      } else {
        bound_ = false;
        report(formatText(Text::DataFileDamagedNotKept, path_.c_str(), what, offset,
                          kept.error.c_str()));
      }
    }
  }
  lastLoad_ = result;
  return result;
}

FileResult DataStore::save() {
  lastSave_ = writeFileAtomically(path_, DataFile::write(profiles_, schedules_), kFileMode);
  if (lastSave_.ok) bound_ = true;
  return lastSave_;
}

void DataStore::changed() {
  if (!bound_) return;
  bool failingBefore = !lastSave_.ok;
  FileResult result = save();
  // Tell the operator when saving starts to fail, not at every change.
  if (!result.ok && !failingBefore) {
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

void DataStore::report(const std::string& message) {
  if (prompter_) {
    prompter_->ask(message, text(Text::DataFileCaption), PromptButtons::Ok, PromptIcon::Warning);
  }
}

}  // namespace karone
