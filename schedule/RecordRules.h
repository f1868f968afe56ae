#pragma once
// Rules every stored profile and schedule obeys, whoever writes it (the
// dialogs, karone-store import or add-schedule): names are not blank and,
// within their list, unique (exact bytes, as lookups compare them); no text
// holds a line break or NUL, since every field comes from a one-line edit,
// and those that reach the FTP server (address, user ID, password, folder)
// would otherwise end a command and start another; a schedule names a
// stored profile; a profile keeps a number of strips the profile dialog
// offers.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

// CR, LF or NUL.
bool holdsLineBreak(std::string_view text);
// The first CR, LF or NUL of text.
std::optional<char> firstLineBreak(std::string_view text);
// Empty once blanks (space, tab, line breaks) are trimmed, as the dialogs
// trim what is typed.
bool isBlankName(std::string_view name);

// The first field holding a line break, by its field name ("password").
std::optional<std::string> fieldWithLineBreak(const ProfileInfo& profile);
std::optional<std::string> fieldWithLineBreak(const ScheduleInfo& schedule);

// What is wrong with a list of records, naming the record as
// "profiles[i]" / "schedules[i]" and, for duplicates, the earlier one.
struct RecordProblem {
  enum class Kind { LineBreak, BlankName, DuplicateName, UnknownProfile };
  Kind kind;
  std::string where;    // "profiles[2].password"
  std::string name;     // the name concerned (duplicates, unknown profile)
  std::string earlier;  // "profiles[0]" for a duplicate
  char character = 0;   // the CR, LF or NUL of a line break
};
std::optional<RecordProblem> findRecordProblem(const std::vector<ProfileInfo>& profiles,
                                               const std::vector<ScheduleInfo>& schedules);

// The numbers of strips (bufferClipCount) the profile dialog offers.
inline constexpr std::int32_t kMinBufferClipCount = 2;
inline constexpr std::int32_t kMaxBufferClipCount = 100;
// True when the profile rotates (keepBuffers not set) and its
// bufferClipCount is outside the dialog's range (another writer put it
// there).
bool clipCountOutOfRange(const ProfileInfo& profile);
// How many strips rotation keeps on the server: -1 (all of them) when
// keepBuffers is set, else bufferClipCount taken to the nearest bound of the
// range, so that no stored count turns rotation off or keeps one strip only.
int keptStrips(const ProfileInfo& profile);

}  // namespace karone
