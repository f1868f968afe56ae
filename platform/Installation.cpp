#include "platform/Installation.h"

#include <filesystem>
#include <system_error>

#include "resources/Version.h"

// Set by the build for this file only (platform/CMakeLists.txt).
#ifndef KARONE_BIN_TO_FILES
#error "KARONE_BIN_TO_FILES must name the way from bin/ to the programs' files"
#endif
#ifndef KARONE_BUILD_TREE
#define KARONE_BUILD_TREE ""
#define KARONE_SOURCE_TREE ""
#endif

namespace karone::installation {
namespace {

std::string withSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// True when `path` is `folder` or lies inside it, comparing whole names
// ("/b/dev" is not inside "/b/de").
bool inside(const std::string& path, const std::string& folder) {
  const std::string base = withSlash(folder);
  return path.compare(0, base.size(), base) == 0;
}

}  // namespace

const char* version() { return KARONE_VERSION; }

bool asksForVersion(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--version") return true;
  }
  return false;
}

std::string versionLine(const std::string& program) { return program + " " + version(); }

std::string programFilesDirFor(const std::string& executable, const std::string& buildTree,
                               const std::string& sourceTree, const std::string& relative) {
  if (!buildTree.empty() && inside(executable, buildTree)) return withSlash(sourceTree);
  const std::filesystem::path folder = std::filesystem::path(executable).parent_path();
  return withSlash((folder / relative).lexically_normal().string());
}

std::string programFilesDir() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) return {};
  return programFilesDirFor(self.string(), KARONE_BUILD_TREE, KARONE_SOURCE_TREE,
                            KARONE_BIN_TO_FILES);
}

}  // namespace karone::installation
