#include "tools/karone_store/StoreJson.h"

#include <algorithm>
#include <limits>
#include <set>

#include "platform/Clock.h"
#include "resources/Texts.h"
#include "schedule/RecordRules.h"
#include "tools/ToolText.h"

namespace karone::store {
namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Reads the fields of one record object, remembering the first error.
class FieldReader {
 public:
  FieldReader(const Json& json, const std::string& where, std::string& error)
      : json_(json), where_(where), error_(error) {
    if (!json.is_object()) fail(formatText(Text::StoreJsonNotObject, where.c_str()));
  }

  bool ok() const { return ok_; }

  void text(const char* key, std::string& out) {
    const Json* value = find(key);
    if (!value) return;
    if (!value->is_string()) {
      fail(formatText(Text::StoreJsonNotString, name(key).c_str()));
      return;
    }
    out = value->get<std::string>();
  }

  void password(const char* key, std::string& out) {
    text(key, out);
    if (ok_ && out == kHiddenPassword) {
      fail(formatText(Text::StoreJsonHiddenPassword, name(key).c_str()));
    }
  }

  void integer(const char* key, std::int32_t& out, std::int64_t min, std::int64_t max) {
    const Json* value = find(key);
    if (!value) return;
    if (!value->is_number_integer()) {
      fail(formatText(Text::StoreJsonNotInteger, name(key).c_str()));
      return;
    }
    bool inRange = false;
    std::int64_t v = 0;
    if (value->is_number_unsigned()) {
      auto u = value->get<std::uint64_t>();
      inRange = u <= static_cast<std::uint64_t>(max);
      v = inRange ? static_cast<std::int64_t>(u) : 0;
      inRange = inRange && v >= min;
    } else {
      v = value->get<std::int64_t>();
      inRange = v >= min && v <= max;
    }
    if (!inRange) {
      fail(formatText(Text::StoreJsonOutOfRange, name(key).c_str(), static_cast<long long>(min),
                      static_cast<long long>(max)));
      return;
    }
    out = static_cast<std::int32_t>(v);
  }

  // Every key of the object must be one of these.
  void onlyKeys(const std::set<std::string>& known) {
    if (!ok_) return;
    for (const auto& item : json_.items()) {
      if (!known.count(item.key())) {
        fail(formatText(Text::StoreJsonUnknownKey, name(item.key()).c_str()));
        return;
      }
    }
  }

 private:
  std::string name(const std::string& key) const { return where_ + "." + key; }

  const Json* find(const char* key) {
    if (!ok_) return nullptr;
    auto it = json_.find(key);
    if (it == json_.end()) {
      fail(formatText(Text::StoreJsonMissingKey, name(key).c_str()));
      return nullptr;
    }
    return &*it;
  }

  void fail(const std::string& message) {
    if (ok_) error_ = message;
    ok_ = false;
  }

  const Json& json_;
  std::string where_;
  std::string& error_;
  bool ok_ = true;
};

}  // namespace

std::string isoLocalTime(std::int32_t instant) {
  std::string s = formatLocalTime("%Y-%m-%dT%H:%M:%S%z", instant);
  // strftime's %z is +hhmm; ISO 8601's extended form wants +hh:mm.
  if (s.size() >= 5) s.insert(s.size() - 2, ":");
  return s;
}

Json profileToJson(const ProfileInfo& p, bool showPasswords) {
  auto secret = [&](const std::string& value) {
    return showPasswords ? value : std::string(kHiddenPassword);
  };
  Json j;
  j["name"] = p.name;
  j["address"] = p.address;
  j["userId"] = p.userId;
  j["password"] = secret(p.password);
  j["uploadDirectory"] = p.uploadDirectory;
  j["port"] = p.port;
  j["bufferClipCount"] = p.bufferClipCount;
  j["keepBuffers"] = p.keepBuffers;
  j["dialupEntry"] = p.dialupEntry;
  j["dialupUser"] = p.dialupUser;
  j["dialupPassword"] = secret(p.dialupPassword);
  j["useDialup"] = p.useDialup;
  j["passiveMode"] = p.passiveMode;
  return j;
}

Json scheduleToJson(const ScheduleInfo& s) {
  Json j;
  j["captureMode"] = s.captureMode;
  j["period"] = s.period;
  j["videoSource"] = s.videoSource;
  j["videoSize"] = s.videoSize;
  j["updatePeriod"] = s.updatePeriod;
  j["start"] = s.start;
  j["startLocal"] = isoLocalTime(s.start);
  j["end"] = s.end;
  j["endLocal"] = isoLocalTime(s.end);
  j["name"] = s.name;
  j["ftpProfileName"] = s.ftpProfileName;
  return j;
}

Json storeToJson(const std::vector<ProfileInfo>& profiles,
                 const std::vector<ScheduleInfo>& schedules, bool showPasswords) {
  Json j;
  j["profiles"] = Json::array();
  for (const auto& p : profiles) j["profiles"].push_back(profileToJson(p, showPasswords));
  j["schedules"] = Json::array();
  for (const auto& s : schedules) j["schedules"].push_back(scheduleToJson(s));
  return j;
}

std::optional<ProfileInfo> profileFromJson(const Json& json, const std::string& where,
                                           std::string& error) {
  ProfileInfo p;
  FieldReader r(json, where, error);
  r.text("name", p.name);
  r.text("address", p.address);
  r.text("userId", p.userId);
  r.password("password", p.password);
  r.text("uploadDirectory", p.uploadDirectory);
  r.integer("port", p.port, 1, 65535);
  r.integer("bufferClipCount", p.bufferClipCount, kMinBufferClipCount, kMaxBufferClipCount);
  r.integer("keepBuffers", p.keepBuffers, 0, 1);
  r.text("dialupEntry", p.dialupEntry);
  r.text("dialupUser", p.dialupUser);
  r.password("dialupPassword", p.dialupPassword);
  r.integer("useDialup", p.useDialup, 0, 1);
  r.integer("passiveMode", p.passiveMode, 0, 1);
  r.onlyKeys({"name", "address", "userId", "password", "uploadDirectory", "port",
              "bufferClipCount", "keepBuffers", "dialupEntry", "dialupUser", "dialupPassword",
              "useDialup", "passiveMode"});
  if (!r.ok()) return std::nullopt;
  return p;
}

std::optional<ScheduleInfo> scheduleFromJson(const Json& json, const std::string& where,
                                             std::string& error) {
  ScheduleInfo s;
  FieldReader r(json, where, error);
  r.integer("captureMode", s.captureMode, 0, 1);
  r.integer("period", s.period, 0, 2);
  r.integer("videoSource", s.videoSource, -1, kInt32Max);
  r.integer("videoSize", s.videoSize, 0, 2);
  r.integer("updatePeriod", s.updatePeriod, 0, kInt32Max);
  r.integer("start", s.start, kInt32Min, kInt32Max);
  r.integer("end", s.end, kInt32Min, kInt32Max);
  r.text("name", s.name);
  r.text("ftpProfileName", s.ftpProfileName);
  r.onlyKeys({"captureMode", "period", "videoSource", "videoSize", "updatePeriod", "start",
              "startLocal", "end", "endLocal", "name", "ftpProfileName"});
  if (!r.ok()) return std::nullopt;
  return s;
}

// Where a syntax error lies, as line and column (1-based) of the last byte
// read; the text around it is never shown (it may hold passwords).
std::string syntaxError(const std::string& text, std::size_t byte) {
  const std::size_t last = std::min(byte == 0 ? std::size_t{1} : byte, text.size() + 1) - 1;
  std::size_t line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < last && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  return formatText(Text::StoreJsonSyntax, static_cast<unsigned long long>(line),
                    static_cast<unsigned long long>(last - lineStart + 1));
}

std::string problemText(const RecordProblem& p) {
  switch (p.kind) {
    case RecordProblem::Kind::LineBreak:
      return formatText(Text::StoreJsonLineBreak, p.where.c_str(),
                        text(p.character == '\r'   ? Text::StoreCharacterCr
                             : p.character == '\n' ? Text::StoreCharacterLf
                                                   : Text::StoreCharacterNul));
    case RecordProblem::Kind::BlankName:
      return formatText(Text::StoreJsonBlankName, p.where.c_str());
    case RecordProblem::Kind::DuplicateName:
      return formatText(Text::StoreJsonDuplicateName, p.where.c_str(),
                        tools::shown(p.name).c_str(), p.earlier.c_str());
    case RecordProblem::Kind::UnknownProfile:
      break;
  }
  return formatText(Text::StoreJsonUnknownProfile, p.where.c_str(), tools::shown(p.name).c_str());
}

std::optional<StoreRecords> storeFromJsonText(const std::string& text, std::string& error) {
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    error = syntaxError(text, e.byte);
    return std::nullopt;
  } catch (const nlohmann::json::exception&) {
    error = syntaxError(text, text.size());
    return std::nullopt;
  }
  auto profiles = doc.is_object() ? doc.find("profiles") : doc.end();
  auto schedules = doc.is_object() ? doc.find("schedules") : doc.end();
  if (!doc.is_object() || doc.size() != 2 || profiles == doc.end() || schedules == doc.end() ||
      !profiles->is_array() || !schedules->is_array()) {
    error = formatText(Text::StoreJsonTopLevel);
    return std::nullopt;
  }
  StoreRecords records;
  for (size_t i = 0; i < profiles->size(); ++i) {
    auto p = profileFromJson((*profiles)[i], "profiles[" + std::to_string(i) + "]", error);
    if (!p) return std::nullopt;
    records.profiles.push_back(std::move(*p));
  }
  for (size_t i = 0; i < schedules->size(); ++i) {
    auto s = scheduleFromJson((*schedules)[i], "schedules[" + std::to_string(i) + "]", error);
    if (!s) return std::nullopt;
    records.schedules.push_back(std::move(*s));
  }
  // The rules the dialogs apply, so that the program never meets a record
  // it could not have made itself.
  if (auto problem = findRecordProblem(records.profiles, records.schedules)) {
    error = problemText(*problem);
    return std::nullopt;
  }
  return records;
}

}  // namespace karone::store
