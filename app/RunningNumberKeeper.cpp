#include "app/RunningNumberKeeper.h"

#include <cctype>

#include "app/SettingsStore.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace karone {

RunningNumberKeeper::RunningNumberKeeper(SettingsStorage& storage, std::string record)
    : storage_(storage),
      record_(record.empty() ? paths::stateDir(paths::MakeFolder::No) + kRecordName
                             : std::move(record)) {}

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

std::uint32_t RunningNumberKeeper::startFrom(std::uint32_t fromSettings) const {
  std::string text;
  if (!readWholeFile(record_, text).ok) return fromSettings;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (text.empty() || text.size() > 10) return fromSettings;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return fromSettings;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xffffffffu) return fromSettings;
  const auto recorded = static_cast<std::uint32_t>(value);
  return ahead(recorded, fromSettings) ? recorded : fromSettings;
}

std::uint32_t RunningNumberKeeper::beyondStrips(std::uint32_t next,
                                                const std::vector<std::uint32_t>& onServer) {
  std::uint32_t result = next;
  for (std::uint32_t number : onServer) {
    if (ahead(number + 1, result)) result = number + 1;
  }
  return result;
}

bool RunningNumberKeeper::write(std::uint32_t value) {
  if (!storage_.openKey() && !(storage_.createKey() && storage_.openKey())) return false;
  bool ok = storage_.writeValue(SettingsStore::kRunningNumberName,
                                SettingsStore::integerText(static_cast<std::int32_t>(value)));
  // Closing makes the write durable (the settings file is replaced whole).
  ok = storage_.closeKey() && ok;
  // The second record: a reservation holds only when both are on disk.
  const std::size_t slash = record_.rfind('/');
  if (ok && slash != std::string::npos) ok = paths::makeDirectories(record_.substr(0, slash));
  ok = ok && writeFileAtomically(record_, std::to_string(value) + "\n", 0600).ok;
  if (ok) ++writes_;
  return ok;
}

}  // namespace karone
