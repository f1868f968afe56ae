#pragma once
// Profiles and schedules as JSON: one object {"profiles": [...],
// "schedules": [...]} in store order, each record an object keyed by the
// record's field names, texts as UTF-8 strings, numbers as numbers, start and
// end as seconds since 1970. Written records also carry startLocal/endLocal
// (local ISO 8601), which reading ignores.
//
// Reading validates everything before anything is used: types, the ranges of
// the fields (port 1..65535, 0/1 flags, period 0..2, capture mode 0..1, video
// size 0..2, non-negative counts and periods, times in signed 32 bits), no
// missing or unknown keys, and no hidden password ("***", as a dump without
// --show-passwords prints it); then the rules every stored record obeys
// (RecordRules: names not blank and unique, no line breaks, schedules name a
// profile of the document). A syntax error is reported by line and column
// only, never with the text around it (it may hold passwords). No
// exceptions leave these functions.
//
// Stateless; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone::store {

using Json = nlohmann::ordered_json;

// What a dump without --show-passwords prints for every password.
inline constexpr const char* kHiddenPassword = "***";

Json profileToJson(const ProfileInfo& profile, bool showPasswords);
Json scheduleToJson(const ScheduleInfo& schedule);
Json storeToJson(const std::vector<ProfileInfo>& profiles,
                 const std::vector<ScheduleInfo>& schedules, bool showPasswords);

// "2026-12-08T13:00:00+09:00" in the process's time zone.
std::string isoLocalTime(std::int32_t instant);

// `where` names the record in messages (e.g. "profiles[2]"). nullopt and
// `error` set on invalid input.
std::optional<ProfileInfo> profileFromJson(const Json& json, const std::string& where,
                                           std::string& error);
std::optional<ScheduleInfo> scheduleFromJson(const Json& json, const std::string& where,
                                             std::string& error);

struct StoreRecords {
  std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> schedules;
};
// Parses and validates a whole document.
std::optional<StoreRecords> storeFromJsonText(const std::string& text, std::string& error);

}  // namespace karone::store
