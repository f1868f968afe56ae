#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Paths.h"

namespace karone {
namespace {

std::string lockPath(std::string folder) {
  return paths::withTrailingSlash(std::move(folder)) + InstanceLock::kFileName;
}

std::optional<InstanceLock::Holder> readHolder(int fd) {
  char buffer[512];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
  if (n <= 0) return InstanceLock::Holder{};
  buffer[n] = '\0';
  InstanceLock::Holder holder;
  char* end = nullptr;
  holder.pid = std::strtol(buffer, &end, 10);
  if (end != nullptr && *end == ' ') {
    std::string rest(end + 1);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
    holder.program = rest;
  }
  return holder;
}

}  // namespace

InstanceLock::InstanceLock(const std::string& folder, const std::string& program)
    : path_(lockPath(folder)) {
  paths::makeDirectories(folder);
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      holder_ = readHolder(fd);
    } else {
      error_ = std::strerror(errno);
    }
    ::close(fd);
    return;
  }
  const std::string line = std::to_string(::getpid()) + " " + program + "\n";
  if (::ftruncate(fd, 0) == 0) {
    ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
    (void)written;  // the lock holds without the note
  }
  fd_ = fd;
}

InstanceLock::~InstanceLock() {
  if (fd_ < 0) return;
  // The file stays: removing it could let a third program lock a new file
  // while a second one holds the old one open.
  ::close(fd_);
}

std::optional<InstanceLock::Holder> InstanceLock::heldBy(const std::string& folder) {
  const std::string path = lockPath(folder);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<Holder> holder;
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    holder = errno == EWOULDBLOCK ? readHolder(fd) : std::optional<Holder>(Holder{});
  } else {
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return holder;
}

}  // namespace karone
