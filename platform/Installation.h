#pragma once
// The programs as installed: their version, and where their own files are.
//
// The programs are installed as <prefix>/bin/karone-* with their files in
// <prefix>/share/karone-server/ (the viewer page in web/). They find that
// folder from the running executable, so that an install under any prefix,
// moved afterwards or not, uses its own files. A program run from the build
// folder it was built in uses the files of its source tree, so that a change
// to them is seen without installing (builds made for installing only, such
// as the Debian package's, leave that out).
//
// Thread-safe.
#include <string>
#include <vector>

namespace karone::installation {

// The version of this build, e.g. "0.1.0".
const char* version();

// True when the arguments ask for the version: "--version" before any "--".
bool asksForVersion(const std::vector<std::string>& args);

// The line --version prints: "<program> <version>".
std::string versionLine(const std::string& program);

// The folder of the programs' own files, with a '/' at its end; empty when
// the running executable cannot be found.
std::string programFilesDir();

// The rule behind programFilesDir(): the folder for a program at
// `executable` (an absolute path). A program inside `buildTree` (when that is
// not empty) uses `sourceTree`; any other one uses `relative` (the way from
// the programs' folder to their files, e.g. "../share/karone-server") from
// the folder it is in.
std::string programFilesDirFor(const std::string& executable, const std::string& buildTree,
                               const std::string& sourceTree, const std::string& relative);

}  // namespace karone::installation
