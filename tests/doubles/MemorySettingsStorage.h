#pragma once
// Settings held in memory, with failures to inject. One thread at a time.
#include <map>
#include <optional>
#include <string>

#include "platform/SettingsStorage.h"

namespace karone {

class MemorySettingsStorage final : public SettingsStorage {
 public:
  bool openKey() override;
  bool createKey() override;
  std::optional<std::string> readValue(const std::string& name) override;
  bool writeValue(const std::string& name, const std::string& value) override;
  bool closeKey() override;

  // State and failure injection for tests.
  bool exists = false;
  bool failCreate = false;
  bool failOpen = false;
  bool failWrites = false;
  bool isOpen = false;
  std::map<std::string, std::string> values;
  std::map<std::string, bool> unreadable;  // names whose read fails
  int writes = 0;
};

}  // namespace karone
