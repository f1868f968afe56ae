#include "schedule/RecordRules.h"

#include <algorithm>
#include <map>

#include "schedule/ScheduleForm.h"

namespace karone {
namespace {

template <typename Record>
using TextField = std::pair<const char*, std::string Record::*>;

const TextField<ProfileInfo> kProfileTexts[] = {
    {"name", &ProfileInfo::name},
    {"address", &ProfileInfo::address},
    {"userId", &ProfileInfo::userId},
    {"password", &ProfileInfo::password},
    {"uploadDirectory", &ProfileInfo::uploadDirectory},
    {"dialupEntry", &ProfileInfo::dialupEntry},
    {"dialupUser", &ProfileInfo::dialupUser},
    {"dialupPassword", &ProfileInfo::dialupPassword},
};

const TextField<ScheduleInfo> kScheduleTexts[] = {
    {"name", &ScheduleInfo::name},
    {"ftpProfileName", &ScheduleInfo::ftpProfileName},
};

struct LineBreakAt {
  std::string field;
  char character;
};

template <typename Record, std::size_t N>
std::optional<LineBreakAt> firstWithLineBreak(const Record& record,
                                              const TextField<Record> (&fields)[N]) {
  for (const auto& [name, field] : fields) {
    if (auto c = firstLineBreak(record.*field)) return LineBreakAt{name, *c};
  }
  return std::nullopt;
}

std::optional<LineBreakAt> lineBreakIn(const ProfileInfo& p) {
  return firstWithLineBreak(p, kProfileTexts);
}
std::optional<LineBreakAt> lineBreakIn(const ScheduleInfo& s) {
  return firstWithLineBreak(s, kScheduleTexts);
}

template <typename Record>
std::optional<RecordProblem> checkList(const std::vector<Record>& records, const char* list) {
  std::map<std::string, std::size_t> seen;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string where = std::string(list) + "[" + std::to_string(i) + "]";
    const Record& r = records[i];
    if (auto at = lineBreakIn(r)) {
      return RecordProblem{RecordProblem::Kind::LineBreak, where + "." + at->field, {}, {},
                           at->character};
    }
    if (isBlankName(r.name)) {
      return RecordProblem{RecordProblem::Kind::BlankName, where + ".name", {}, {}};
    }
    auto [it, added] = seen.emplace(r.name, i);
    if (!added) {
      return RecordProblem{RecordProblem::Kind::DuplicateName, where + ".name", r.name,
                           std::string(list) + "[" + std::to_string(it->second) + "]"};
    }
  }
  return std::nullopt;
}

}  // namespace

bool holdsLineBreak(std::string_view text) { return firstLineBreak(text).has_value(); }

std::optional<char> firstLineBreak(std::string_view text) {
  const std::size_t at = text.find_first_of(std::string_view("\r\n\0", 3));
  if (at == std::string_view::npos) return std::nullopt;
  return text[at];
}

bool isBlankName(std::string_view name) { return trimBlanks(std::string(name)).empty(); }

std::optional<std::string> fieldWithLineBreak(const ProfileInfo& profile) {
  if (auto at = lineBreakIn(profile)) return at->field;
  return std::nullopt;
}

std::optional<std::string> fieldWithLineBreak(const ScheduleInfo& schedule) {
  if (auto at = lineBreakIn(schedule)) return at->field;
  return std::nullopt;
}

std::optional<RecordProblem> findRecordProblem(const std::vector<ProfileInfo>& profiles,
                                               const std::vector<ScheduleInfo>& schedules) {
  if (auto problem = checkList(profiles, "profiles")) return problem;
  if (auto problem = checkList(schedules, "schedules")) return problem;
  for (std::size_t i = 0; i < schedules.size(); ++i) {
    bool found = false;
    for (const auto& p : profiles) found = found || p.name == schedules[i].ftpProfileName;
    if (!found) {
      return RecordProblem{RecordProblem::Kind::UnknownProfile,
                           "schedules[" + std::to_string(i) + "].ftpProfileName",
                           schedules[i].ftpProfileName, {}};
    }
  }
  return std::nullopt;
}

bool clipCountOutOfRange(const ProfileInfo& profile) {
  return profile.keepBuffers == 0 && (profile.bufferClipCount < kMinBufferClipCount ||
                                      profile.bufferClipCount > kMaxBufferClipCount);
}

int keptStrips(const ProfileInfo& profile) {
  if (profile.keepBuffers != 0) return -1;
  return std::clamp(profile.bufferClipCount, kMinBufferClipCount, kMaxBufferClipCount);
}

}  // namespace karone
