#pragma once
// The persistent FTP profiles and schedules, kept in the data file
// (EncData.zrd in the data folder, format in DataFile). Callers exchange
// value copies only; both lists keep insertion order, a modified record moves
// to the end (modify = delete + append), nothing sorts them. Names are keys
// compared as exact bytes; duplicates are not refused here (the dialogs check
// first) and lookups take the first match.
//
// Persistence:
// - Once load() has run (or save() has succeeded) the store is bound to its
//   file, and every change (add, modify, delete, delete all) is saved at
//   once, so a crash loses nothing. Before that, changes stay in memory.
// - Every save replaces the file atomically, mode 0600 (it holds passwords).
// - A file that does not read cleanly keeps the records read before the
//   fault; the operator is told the error and its byte offset through the
//   Prompter. The damaged file is kept as "<file>.damaged-YYYYMMDD-HHMMSS"
//   (local time of the Clock) just before the first save would overwrite
//   it, and only then: reading alone never writes anything. A copy with the
//   same bytes that is already there is not made again. If the copy cannot
//   be made, nothing is saved (the operator is told once) and the damaged
//   file stays as it is.
// - A file that exists but cannot be read at all (permissions, too large)
//   is moved aside under the same name pattern just before the first save;
//   the store starts empty. A directory, device or pipe at the path is left
//   alone and the store never saves over it.
// - What a save writes is never more than a load reads (kMaxDataFileSize):
//   a store that would not fit is not saved.
//
// Not thread-safe: it lives on the window thread, as the main window does.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "schedule/DataFile.h"
#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

class Clock;
class Prompter;

class DataStore {
 public:
  // The program's own data file: paths::dataDir() + "EncData.zrd".
  static std::string defaultPath();

  // Reports go nowhere without a prompter (they are still in lastLoad()).
  DataStore();
  explicit DataStore(std::string path);
  // prompter may be null; clock names the copies of damaged files.
  DataStore(std::string path, Prompter* prompter, const Clock& clock);

  const std::string& path() const { return path_; }

  // Profiles.
  int profileCount() const;
  bool getProfile(int index, ProfileInfo& out) const;
  bool findProfile(const std::string& name, ProfileInfo& out) const;
  bool profileExists(const std::string& name) const;
  void addProfile(const ProfileInfo& profile);
  bool deleteProfile(const std::string& name);
  // Deletes the first profile named oldName and appends `profile`; does
  // nothing when there is none. True when it changed the list.
  bool modifyProfile(const std::string& oldName, const ProfileInfo& profile);
  std::vector<ProfileInfo> profiles() const { return profiles_; }
  std::vector<std::string> profileNames() const;  // in store order

  // Schedules.
  int scheduleCount() const;
  bool getSchedule(int index, ScheduleInfo& out) const;
  bool findSchedule(const std::string& name, ScheduleInfo& out) const;
  bool scheduleExists(const std::string& name) const;
  void addSchedule(const ScheduleInfo& schedule);
  bool deleteSchedule(const std::string& name);
  bool modifySchedule(const std::string& oldName, const ScheduleInfo& schedule);
  void deleteAllSchedules();
  std::vector<ScheduleInfo> schedules() const { return schedules_; }

  bool isProfileUsedBySchedule(const std::string& profileName) const;

  // The schedule rules (ScheduleRules.h) over the stored schedules, at the
  // store's clock. findNextDue: false when no schedule is due in the future,
  // else the seconds until the next start and a copy of that schedule.
  bool findNextDue(std::int64_t& seconds, ScheduleInfo& out) const;
  // Whether the candidate overlaps a stored schedule not named skipName
  // (none is skipped when skipName is empty).
  bool overlapsExisting(std::int64_t start, std::int64_t end, std::int32_t period,
                        const std::string& skipName) const;
  // Deletes every one-time schedule whose start has passed (saved once);
  // returns how many.
  int deleteInvalidSchedules();

  // Writes a data file with two empty lists when nothing (or a directory)
  // is at the path; false when something was to be written and could not be.
  bool ensureFileExists();

  struct LoadResult {
    bool fileRead = false;        // the file existed and its bytes were read
    DataFileError error = DataFileError::None;
    std::uint64_t offset = 0;     // where reading stopped, on error
    std::string ioError;          // why the file could not be read at all
    // Where the damaged or unreadable file is kept (made before the first
    // save; already there when copyPending is false).
    std::string keptAs;
    bool copyPending = false;
    bool ok() const { return error == DataFileError::None && ioError.empty(); }
  };
  // Reads both lists from the file and appends them to the lists in memory.
  // A missing file reads as empty. Binds the store to its file (see above).
  LoadResult load();
  const LoadResult& lastLoad() const { return lastLoad_; }

  // Writes both lists to the file (atomically, 0600) and binds the store.
  FileResult save();
  bool isBound() const { return bound_; }
  // The result of the last save, explicit or automatic.
  const FileResult& lastSave() const { return lastSave_; }
  // Saves only a store bound to its file: one that never loaded would
  // replace the operator's records with nothing. For teardown; false when
  // nothing was saved.
  bool saveIfBound();

 private:
  void changed();
  // The one implementation of both lists' changes (every one saved, once
  // bound).
  template <typename Record>
  void append(std::vector<Record>& list, const Record& record);
  template <typename Record>
  bool remove(std::vector<Record>& list, const std::string& name);
  template <typename Record>
  bool replace(std::vector<Record>& list, const std::string& oldName, const Record& record);
  std::string damagedCopyPath() const;
  std::string existingCopyOf(const std::string& bytes) const;
  // Keeps the damaged or unreadable file before the first save overwrites
  // it; false (and reported once) when it cannot.
  FileResult keepOriginal();
  void report(const std::string& message);

  enum class Original { Safe, CopyBytes, MoveAside };

  std::string path_;
  Prompter* prompter_ = nullptr;
  const Clock* clock_;
  std::vector<ProfileInfo> profiles_;
  std::vector<ScheduleInfo> schedules_;
  bool bound_ = false;
  Original original_ = Original::Safe;
  std::string damagedBytes_;   // the damaged file as read, until it is copied
  bool keepFailureReported_ = false;
  LoadResult lastLoad_;
  FileResult lastSave_;
};

}  // namespace karone
