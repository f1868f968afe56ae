#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace karone {
namespace {

FileResult failure(const std::string& what, const std::string& path, int error) {
  return {false, what + " " + path + ": " + std::strerror(error)};
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr char kTempInfix[] = ".tmp-";
constexpr size_t kTempSuffixLength = 6;
constexpr char kSuffixCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isSuffixCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string randomSuffix() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 engine(std::random_device{}() ^
                                   static_cast<unsigned>(::getpid()) ^ (counter++ << 16));
  std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixCharacters - 2);
  std::string out(kTempSuffixLength, 'X');
  for (auto& c : out) c = kSuffixCharacters[pick(engine)];
  return out;
}

FileResult writeAll(int fd, std::string_view bytes, const std::string& shownPath) {
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failure("cannot write", shownPath, errno);
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return failure("cannot sync", shownPath, errno);
  return {};
}

// Gives the unnamed file `fd` the name `temp` in its folder.
bool linkUnnamed(int fd, const std::string& temp) {
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, proc, AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  // Without /proc the descriptor itself can be linked (needs privilege).
  return ::linkat(fd, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0;
}

void syncFolder(const std::string& path) {
  int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

// Moves a complete temporary file over the target.
FileResult replaceWith(const std::string& temp, const std::string& path) {
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return failure("cannot replace", path, error);
  }
  syncFolder(path);
  return {};
}

// The old way, for file systems without unnamed files: a named temporary
// that a crash can leave behind (the next write removes it once stale).
FileResult writeThroughNamedTemporary(const std::string& path, std::string_view bytes,
                                      unsigned mode) {
  std::string temp = path + kTempInfix + std::string(kTempSuffixLength, 'X');
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return failure("cannot create", temp, errno);
  ::fchmod(fd, mode);
  FileResult written = writeAll(fd, bytes, temp);
  if (::close(fd) != 0 && written.ok) written = failure("cannot close", temp, errno);
  if (!written.ok) {
    ::unlink(temp.c_str());
    return written;
  }
  return replaceWith(temp, path);
}

}  // namespace

bool isAtomicTemporaryName(const std::string& target, const std::string& name) {
  const std::string prefix = baseNameOf(target) + kTempInfix;
  if (name.size() != prefix.size() + kTempSuffixLength ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (!isSuffixCharacter(name[i])) return false;
  }
  return true;
}

int removeStaleTemporaries(const std::string& path, std::int64_t olderThanSeconds) {
  const std::string folder = folderOf(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isAtomicTemporaryName(path, name)) continue;
    const std::string full = folder + "/" + name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    // A young one may belong to a writer at work right now.
    if (now - st.st_mtime < olderThanSeconds) continue;
    if (::unlink(full.c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

FileResult writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
  removeStaleTemporaries(path);
  // The bytes go into an unnamed file first: a crash while they are written
  // leaves nothing behind. Only the complete file gets a name, for the
  // moment it takes to rename it over the target.
  int fd = ::open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode & 07777);
  if (fd < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
      return writeThroughNamedTemporary(path, bytes, mode);
    }
    return failure("cannot create", path + kTempInfix + "*", errno);
  }
  ::fchmod(fd, mode);
  FileResult written = writeAll(fd, bytes, path);
  if (!written.ok) {
    ::close(fd);
    return written;
  }
  std::string temp;
  bool linked = false;
  for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
    temp = path + kTempInfix + randomSuffix();
    linked = linkUnnamed(fd, temp);
    if (!linked && errno != EEXIST) break;
  }
  int linkError = errno;
  if (::close(fd) != 0 && linked) {
    int error = errno;
    ::unlink(temp.c_str());
    return failure("cannot close", path, error);
  }
  if (!linked) {
    if (linkError == EEXIST) return failure("cannot name", temp, linkError);
    return writeThroughNamedTemporary(path, bytes, mode);
  }
  return replaceWith(temp, path);
}

FileResult readWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure("cannot open", path, errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return failure("cannot read", path, EISDIR);
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      return failure("cannot read", path, error);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return {};
}

}  // namespace karone
