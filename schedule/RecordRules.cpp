#include "schedule/RecordRules.h"

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

template <typename Record, std::size_t N>
std::optional<std::string> firstWithLineBreak(const Record& record,
                                              const TextField<Record> (&fields)[N]) {
  for (const auto& [name, field] : fields) {
    if (holdsLineBreak(record.*field)) return std::string(name);
  }
  return std::nullopt;
}

template <typename Record>
std::optional<RecordProblem> checkList(const std::vector<Record>& records, const char* list) {
  std::map<std::string, std::size_t> seen;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string where = std::string(list) + "[" + std::to_string(i) + "]";
    const Record& r = records[i];
    if (auto field = fieldWithLineBreak(r)) {
      return RecordProblem{RecordProblem::Kind::LineBreak, where + "." + *field, {}, {}};
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

bool holdsLineBreak(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isBlankName(std::string_view name) { return trimBlanks(std::string(name)).empty(); }

std::optional<std::string> fieldWithLineBreak(const ProfileInfo& profile) {
  return firstWithLineBreak(profile, kProfileTexts);
}

std::optional<std::string> fieldWithLineBreak(const ScheduleInfo& schedule) {
  return firstWithLineBreak(schedule, kScheduleTexts);
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

}  // namespace karone
