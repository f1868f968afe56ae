#include "platform/SettingsStorage.h"

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

namespace karone {
namespace {

std::string escape(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescape(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      char next = value[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

FileSettingsStorage::FileSettingsStorage(std::string path) : path_(std::move(path)) {
  // The folder is made when the key is created, not to read it.
  if (path_.empty()) path_ = paths::configDir(paths::MakeFolder::No) + "Encoder.conf";
}

FileSettingsStorage::~FileSettingsStorage() {
  if (open_) closeKey();
}

std::map<std::string, std::string> FileSettingsStorage::parse(const std::string& text) {
  std::map<std::string, std::string> values;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    values[line.substr(0, equals)] = unescape(line.substr(equals + 1));
  }
  return values;
}

std::string FileSettingsStorage::serialise(const std::map<std::string, std::string>& values) {
  std::string text;
  for (const auto& [name, value] : values) text += name + "=" + escape(value) + "\n";
  return text;
}

bool FileSettingsStorage::openKey() {
  std::string text;
  if (!readWholeFile(path_, text).ok) return false;
  values_ = parse(text);
  read_ = std::move(text);
  open_ = true;
  dirty_ = false;
  return true;
}

bool FileSettingsStorage::createKey() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  size_t slash = path_.rfind('/');
  if (slash != std::string::npos && !paths::makeDirectories(path_.substr(0, slash))) return false;
  return writeFileAtomically(path_, "", 0600).ok;
}

std::string FileSettingsStorage::keepCopyAside() {
  const std::string base =
      path_ + ".damaged-" + formatLocalTime("%Y%m%d-%H%M%S", SystemClock::instance().now());
  std::string copy = base;
  struct stat st {};
  for (int n = 2; ::lstat(copy.c_str(), &st) == 0; ++n) {
    if (n >= 100) return {};
    copy = base + "-" + std::to_string(n);
  }
  return writeFileAtomically(copy, read_, 0600).ok ? copy : std::string();
}

std::optional<std::string> FileSettingsStorage::readValue(const std::string& name) {
  if (!open_) return std::nullopt;
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool FileSettingsStorage::writeValue(const std::string& name, const std::string& value) {
  if (!open_ || name.empty() || name.find_first_of("=\n\r") != std::string::npos) return false;
  values_[name] = value;
  dirty_ = true;
  return true;
}

bool FileSettingsStorage::closeKey() {
  if (!open_) return true;
  open_ = false;
  if (!dirty_) return true;
  dirty_ = false;
  return writeFileAtomically(path_, serialise(values_), 0600).ok;
}

}  // namespace karone
