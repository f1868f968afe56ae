#pragma once
// The names under which pictures live on the FTP server, the patterns by
// which the uploader recognises its own files, and the rules that decide
// which of them to delete (rotation of motion strips, bulk deletion).
//
// Remote names are plain file names in the session's current directory.
// Patterns compare bytes, case-sensitively, with exact lengths. A name that
// could reach outside the current directory or carries control bytes (a
// lying or hostile listing) is never recognised, so it is neither counted
// nor chosen for deletion.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/BufferFileNames.h"

namespace karone {

inline constexpr std::string_view kStatusPageName = "currfrme.html";
inline constexpr std::string_view kStatusPageTempName = "currfrme_new.html";

// A running number as 8 lower-case hexadecimal digits.
std::string hex8(std::uint32_t runningNumber);
// "motion_img_" + 8 hex digits + ".jpg".
std::string motionFrameName(std::uint32_t runningNumber);
// prefix + 8 hex digits + ".jpg" (the prefix travels with each still frame).
std::string stillBackupName(std::string_view prefix, std::uint32_t runningNumber);
// The file name and extension of a local path (everything after the last '/').
std::string remoteNameOf(std::string_view localPath);

enum class BufferFileKind { None, Motion, Still };

// "motion_img_" ... ".jpg", exactly 23 bytes.
bool isMotionBufferName(std::string_view name);
// "still_img_" ... ".jpg", exactly 20 or 27 bytes.
bool isStillBufferName(std::string_view name);
BufferFileKind bufferFileKind(std::string_view name);

// Reads the 8 characters after "motion_img_" as a hexadecimal number:
// '0'-'9' and 'a'-'f' count their value, any other character (upper case
// included) counts 0. nullopt when the name is not a motion buffer name.
std::optional<std::uint32_t> motionRunningNumber(std::string_view frameName);

// Which motion strip falls out of the buffer once `lastFrameName` is
// published with `keep` strips to keep: the strip N - keep, or nothing when
// rotation is off (keep <= 0, -1 being the "keep everything" value), the
// name is not a motion name, or N < keep (compared as numbers).
std::optional<std::string> rotationVictim(std::string_view lastFrameName, std::int32_t keep);

// A listing reduced to what the rules need.
struct ListedName {
  std::string name;
  std::uint32_t attributes = 0;  // 16 exactly: a directory
};
inline constexpr std::uint32_t kDirectoryAttribute = 16;

enum class BulkDeletion { MotionOnly, Both };

// The buffer files of a listing, in listing order, split by kind. Entries
// whose attribute word is exactly the directory attribute are skipped, so
// are "." and "..".
struct BufferFiles {
  std::vector<std::string> motion;
  std::vector<std::string> still;
};
BufferFiles findBufferFiles(const std::vector<ListedName>& listing);

// The names a bulk deletion removes, in listing order: every motion buffer
// file, and with Both every still buffer file too.
std::vector<std::string> namesToDelete(const std::vector<ListedName>& listing, BulkDeletion form);

// The motion strips of a listing that must go once `newest` has been
// published (after a crash, a failed upload or a server failure, strips
// outside the window and unfinished ones are left behind, and the rotation
// of one strip at a time never reaches them). A strip stays when it lies in
// the window of the newest `keep` numbers ending at `newest` (all numbers
// when keep <= 0, rotation being off) and is not newer than
// `lastPublished`, the strip the status page named before `newest` (no
// such strip: none but `newest` stays). Numbers count backwards from
// `newest` modulo 2^32, so the wrap from ffffffff to 0 and a counter reset
// are handled alike. Only names the recognition rules accept are chosen,
// `newest` never; a name whose digits are not canonical lower-case hex is
// not ours to keep and goes.
std::vector<std::string> staleStrips(const std::vector<ListedName>& listing, std::uint32_t newest,
                                     std::int32_t keep,
                                     std::optional<std::uint32_t> lastPublished);

}  // namespace karone
