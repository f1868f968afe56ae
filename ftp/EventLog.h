#pragma once
// The event log: every status line of the FTP side, the run controller and
// the dial-up link, shown in a LogView and written to the file
// "kirufa_log.txt" in the log folder (paths::stateDir() unless another
// folder is given).
//
// Each line is the local time of the Clock as "(yy/mm/dd-HH:MM:SS)> "
// followed by the message. The view keeps the newest 499 lines; its
// horizontal extent follows the widest message so far (at least the view's
// width) and never shrinks. In the file (UTF-8) each line ends with one line
// feed; every OpenLog starts a new file, so it holds one run. The files of
// earlier runs are kept as "kirufa_log.1.txt" (the run before) to
// "kirufa_log.5.txt", so the story of a crash survives the restart after it;
// the oldest goes. A message is never cut, whatever its length; line breaks inside a
// message become spaces, so that one Log stays one line.
//
// While no view is attached, Log does nothing at all, not even the file
// write (the window attaches its list when it is up; a command-line tool
// attaches a MemoryLogView with an echo).
//
// Threads: any thread may call any operation. Log holds the log's lock
// while it updates the view and writes the file (the line in one write), so
// lines logged at the same time never interleave and none is lost. Failures
// to make or write the file are not reported; the view still gets every
// line.
#include <mutex>
#include <string>
#include <string_view>

#include "ftp/LogView.h"
#include "platform/Clock.h"

namespace karone {

class EventLog {
 public:
  static constexpr int kMaxViewLines = 499;
  static constexpr const char* kFileName = "kirufa_log.txt";
  // How many earlier runs' files are kept beside the current one.
  static constexpr int kKeptRuns = 5;

  // The log file goes to paths::stateDir().
  explicit EventLog(const Clock& clock = SystemClock::instance());
  // The log file goes to folder (with or without a trailing '/').
  EventLog(const Clock& clock, std::string folder);
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Attaches the view (nullptr detaches). The caller keeps it alive until
  // it is detached or the log is gone.
  void setView(LogView* view);
  // Another folder for the file; takes effect at the next OpenLog.
  void setFolder(std::string folder);

  // Closes a file already open, moves the earlier runs' files one number
  // up (the current file becomes number 1) and makes the file anew. False
  // when the file could not be made (the log then runs without one).
  bool OpenLog();
  void CloseLog();
  void Log(std::string_view message);

  bool isOpen() const;
  // The file OpenLog makes.
  std::string filePath() const;
  // The file of the run `runsBack` runs ago (1 to kKeptRuns).
  std::string keptFilePath(int runsBack) const;

 private:
  std::string filePathLocked() const;
  std::string keptFilePathLocked(int runsBack) const;

  const Clock& clock_;
  mutable std::mutex mutex_;
  std::string folder_;  // empty: paths::stateDir()
  LogView* view_ = nullptr;
  int widest_ = 0;  // pixels; 0 until the first line
  int fd_ = -1;
};

}  // namespace karone
