#pragma once
// Rules every stored profile and schedule obeys, whoever writes it (the
// dialogs, karone-store import or add-schedule): names are not blank and,
// within their list, unique (exact bytes, as lookups compare them); no text
// holds a line break or NUL, since every field comes from a one-line edit,
// and those that reach the FTP server (address, user ID, password, folder)
// would otherwise end a command and start another; a schedule names a
// stored profile.
//
// Pure functions; any thread.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

// CR, LF or NUL.
bool holdsLineBreak(std::string_view text);
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
};
std::optional<RecordProblem> findRecordProblem(const std::vector<ProfileInfo>& profiles,
                                               const std::vector<ScheduleInfo>& schedules);

}  // namespace karone
