#pragma once
// Writing a file so that a crash never leaves it half-written, nor anything
// else behind: the bytes go to an unnamed file in the target's folder
// (O_TMPFILE), which is flushed to disk (fsync), then named
// "<file>.tmp-XXXXXX" and at once renamed over the target; the folder is
// synced too. A crash while the bytes are written leaves nothing on disk.
// On a file system without unnamed files a named temporary is written
// instead; a crash then leaves it, and a later write of the same target
// removes such temporaries of ours once they are stale (a minute old).
//
// Thread-safe for distinct targets; two writers of one target race as
// rename(2) does (the last rename wins, neither file is torn).
#include <cstdint>
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

// Whether `name` (a file name, no folder) is one of the temporaries that
// writeFileAtomically makes for `target`: "<target name>.tmp-" + 6 letters
// or digits.
bool isAtomicTemporaryName(const std::string& target, const std::string& name);

// Removes the temporaries of `target` left by a crash: regular files of
// this process's user, named as above, last written at least
// `olderThanSeconds` ago. Returns how many were removed.
inline constexpr std::int64_t kStaleTemporarySeconds = 60;
int removeStaleTemporaries(const std::string& target,
                           std::int64_t olderThanSeconds = kStaleTemporarySeconds);

}  // namespace karone
