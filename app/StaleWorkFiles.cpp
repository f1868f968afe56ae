#include "app/StaleWorkFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ftp/RemoteNames.h"
#include "platform/BufferFileNames.h"
#include "platform/Paths.h"

namespace karone {
namespace {

bool isLowerHex(std::string_view digits) {
  if (digits.size() != 8) return false;
  for (char c : digits) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// The stem without its extension, when the extension is one of ours.
bool splitPicture(std::string_view name, std::string_view& stem) {
  for (std::string_view ext : {kBmpExtension, kJpegExtension}) {
    if (name.size() > ext.size() && name.substr(name.size() - ext.size()) == ext) {
      stem = name.substr(0, name.size() - ext.size());
      return true;
    }
  }
  return false;
}

}  // namespace

bool isWorkFileName(std::string_view name) {
  if (name == kStatusPageName) return true;
  std::string_view stem;
  if (!splitPicture(name, stem)) return false;
  if (stem == kStillStem) return true;
  for (std::string_view prefix : {kMotionPrefix, kStillBackupPrefix}) {
    if (stem.substr(0, prefix.size()) == prefix && isLowerHex(stem.substr(prefix.size()))) {
      return true;
    }
  }
  return false;
}

std::string workFolderProblem(const std::string& folder) {
  std::string probe = paths::withTrailingSlash(folder) + ".karone-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  int error = ::write(fd, "x", 1) == 1 ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  ::unlink(probe.c_str());
  return error == 0 ? std::string() : std::strerror(error);
}

int removeStaleWorkFiles(const std::string& folder) {
  const std::string base = paths::withTrailingSlash(folder);
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isWorkFileName(name)) continue;
    const std::string path = base + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace karone
