#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

FileResult writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return failure("cannot create", temp, errno);
  ::fchmod(fd, mode);
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      return failure("cannot write", temp, error);
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) {
    int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return failure("cannot sync", temp, error);
  }
  if (::close(fd) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return failure("cannot close", temp, error);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return failure("cannot replace", path, error);
  }
  int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

FileResult readWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY);
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
