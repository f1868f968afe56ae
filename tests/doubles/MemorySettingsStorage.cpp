#include "tests/doubles/MemorySettingsStorage.h"

namespace karone {

bool MemorySettingsStorage::openKey() {
  if (!exists || failOpen) return false;
  isOpen = true;
  return true;
}

bool MemorySettingsStorage::createKey() {
  if (failCreate) return false;
  exists = true;
  return true;
}

std::optional<std::string> MemorySettingsStorage::readValue(const std::string& name) {
  if (!isOpen || unreadable.count(name) != 0) return std::nullopt;
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

bool MemorySettingsStorage::writeValue(const std::string& name, const std::string& value) {
  if (!isOpen || failWrites) return false;
  values[name] = value;
  unreadable.erase(name);
  ++writes;
  return true;
}

bool MemorySettingsStorage::closeKey() {
  isOpen = false;
  return true;
}

}  // namespace karone
