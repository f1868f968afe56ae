#include "app/RunningNumberKeeper.h"

#include <string>

namespace karone {

RunningNumberKeeper::RunningNumberKeeper(SettingsStorage& storage) : storage_(storage) {}

bool RunningNumberKeeper::reserve(std::uint32_t number) { return store(number + 1); }

bool RunningNumberKeeper::store(std::uint32_t next) {
  if (!storage_.openKey() && !(storage_.createKey() && storage_.openKey())) return false;
  const bool written = storage_.writeValue("dwUniqueRunningNum", std::to_string(next));
  return storage_.closeKey() && written;
}

}  // namespace karone
