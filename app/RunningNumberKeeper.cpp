#include "app/RunningNumberKeeper.h"

#include "app/SettingsStore.h"

namespace karone {

RunningNumberKeeper::RunningNumberKeeper(SettingsStorage& storage) : storage_(storage) {}

bool RunningNumberKeeper::reserve(std::uint32_t number) {
  // Modulo 2^32: how far the number lies into the reserved block.
  if (reserved_ && number - coveredFrom_ < stored_ - coveredFrom_) return true;
  const std::uint32_t beyond = number + block_;
  if (!write(beyond)) return false;
  reserved_ = true;
  coveredFrom_ = number;
  stored_ = beyond;
  return true;
}

bool RunningNumberKeeper::store(std::uint32_t next) {
  // Whatever was reserved before no longer holds.
  reserved_ = false;
  return write(next);
}

bool RunningNumberKeeper::write(std::uint32_t value) {
  if (!storage_.openKey() && !(storage_.createKey() && storage_.openKey())) return false;
  bool ok = storage_.writeValue(SettingsStore::kRunningNumberName,
                                SettingsStore::integerText(static_cast<std::int32_t>(value)));
  // Closing makes the write durable (the settings file is replaced whole).
  ok = storage_.closeKey() && ok;
  if (ok) ++writes_;
  return ok;
}

}  // namespace karone
