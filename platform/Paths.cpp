#include "platform/Paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace karone::paths {
namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// Unlike withTrailingSlash, an empty path becomes the root.
std::string withSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// An XDG base folder: the variable when it holds an absolute path, else
// $HOME/<fallback>.
std::string xdgBase(const char* variable, const char* fallback) {
  std::string value = env(variable);
  if (!value.empty() && value[0] == '/') return withSlash(value);
  std::string home = env("HOME");
  if (home.empty()) home = "/tmp";
  return withSlash(withSlash(home) + fallback);
}

std::string programDir(const char* variable, const char* fallback, MakeFolder make) {
  std::string dir = xdgBase(variable, fallback) + "Brenko/Tamblor/";
  if (make == MakeFolder::Yes) makeDirectories(dir);
  return dir;
}

}  // namespace

bool makeDirectories(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    size_t next = path.find('/', pos + 1);
    partial = path.substr(0, next);
    if (!partial.empty() && partial != "/") {
      if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    pos = next;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string configDir(MakeFolder make) {
  return programDir("XDG_CONFIG_HOME", ".config", make);
}
std::string dataDir(MakeFolder make) { return programDir("XDG_DATA_HOME", ".local/share", make); }
std::string stateDir(MakeFolder make) { return programDir("XDG_STATE_HOME", ".local/state", make); }

std::string bufferDir(MakeFolder make) {
  for (const char* variable : {"TEMP", "TMPDIR"}) {
    std::string value = env(variable);
    if (!value.empty()) return withSlash(value);
  }
  return dataDir(make);
}

std::string withTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace karone::paths
