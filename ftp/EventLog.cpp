#include "ftp/EventLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/Paths.h"

namespace karone {
namespace {

constexpr const char* kTimePrefix = "(%y/%m/%d-%H:%M:%S)> ";

// Writes all of data (a short write or a signal continues where it
// stopped).
void writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

EventLog::EventLog(const Clock& clock) : clock_(clock) {}

EventLog::EventLog(const Clock& clock, std::string folder)
    : clock_(clock), folder_(std::move(folder)) {}

EventLog::~EventLog() { CloseLog(); }

void EventLog::setView(LogView* view) {
  std::lock_guard lock(mutex_);
  view_ = view;
}

void EventLog::setFolder(std::string folder) {
  std::lock_guard lock(mutex_);
  folder_ = std::move(folder);
}

std::string EventLog::filePathLocked() const {
  return paths::withTrailingSlash(folder_.empty() ? paths::stateDir() : folder_) + kFileName;
}

std::string EventLog::keptFilePathLocked(int runsBack) const {
  std::string path = filePathLocked();
  const std::string ext = ".txt";
  return path.substr(0, path.size() - ext.size()) + "." + std::to_string(runsBack) + ext;
}

std::string EventLog::keptFilePath(int runsBack) const {
  std::lock_guard lock(mutex_);
  return keptFilePathLocked(runsBack);
}

std::string EventLog::filePath() const {
  std::lock_guard lock(mutex_);
  return filePathLocked();
}

bool EventLog::OpenLog() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  std::string path = filePathLocked();
  // Renames replace their target, so the oldest file goes by itself and a
  // gap in the numbers (a file deleted by hand) costs nothing.
  for (int n = kKeptRuns - 1; n >= 1; --n) {
    ::rename(keptFilePathLocked(n).c_str(), keptFilePathLocked(n + 1).c_str());
  }
  if (::rename(path.c_str(), keptFilePathLocked(1).c_str()) != 0) ::unlink(path.c_str());
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  return fd_ >= 0;
}

void EventLog::CloseLog() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool EventLog::isOpen() const {
  std::lock_guard lock(mutex_);
  return fd_ >= 0;
}

void EventLog::Log(std::string_view message) {
  std::string text(message);
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }

  std::lock_guard lock(mutex_);
  if (view_ == nullptr) return;

  int clientWidth = view_->clientWidth();
  if (widest_ == 0) widest_ = clientWidth;
  int width = view_->textWidth(text);
  if (width > widest_ && width > clientWidth) widest_ = width;
  view_->setHorizontalExtent(widest_);

  std::string line = formatLocalTime(kTimePrefix, clock_.now()) + text;
  int index = view_->appendLine(line);
  for (int i = index; i >= kMaxViewLines; --i) view_->removeFirstLine();

  if (fd_ >= 0) writeAll(fd_, line + '\n');
  view_->scrollToEnd();
}

}  // namespace karone
