#include "platform/ListSearch.h"

namespace karone {
namespace {

// ASCII only, whatever the process's locale: other bytes are parts of
// multi-byte characters.
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool beginsWithIgnoringCase(const std::string& entry, const std::string& prefix) {
  if (entry.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lowerAscii(entry[i]) != lowerAscii(prefix[i])) return false;
  }
  return true;
}

}  // namespace

int findListEntry(const std::vector<std::string>& entries, const std::string& name) {
  if (name.empty()) return -1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == name) return static_cast<int>(i);
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (beginsWithIgnoringCase(entries[i], name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace karone
