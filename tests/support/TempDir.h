#pragma once
// A temporary folder for one test, removed with everything in it at the
// end. ScopedProgramDirs also points the program's folders (XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_STATE_HOME, TEMP) into it and restores them after.
#include <map>
#include <optional>
#include <string>

namespace karone::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }  // no trailing '/'
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

class ScopedProgramDirs {
 public:
  ScopedProgramDirs();
  const TempDir& root() const { return dir_; }

 private:
  TempDir dir_;
  ScopedEnv config_, data_, state_, temp_, tmpdir_;
};

// Reads a whole file as bytes ("" when missing).
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

}  // namespace karone::testing
