#pragma once
// Writing a file so that a crash never leaves it half-written: the bytes go
// to a temporary file in the same folder, which is flushed to disk (fsync)
// and then renamed over the target; the folder is synced too.
//
// Thread-safe for distinct targets; two writers of one target race as
// rename(2) does (the last rename wins, neither file is torn).
#include <string>
#include <string_view>

namespace karone {

struct FileResult {
  bool ok = true;
  std::string error;  // what failed, with strerror, when !ok
};

// mode applies to a newly created file (e.g. 0600 for files with passwords).
FileResult writeFileAtomically(const std::string& path, std::string_view bytes,
                               unsigned mode = 0644);

// Reads a whole file. False (and error set) when it cannot be read.
FileResult readWholeFile(const std::string& path, std::string& bytes);

}  // namespace karone
