#pragma once
// Owns the one AppSettings record and moves it to and from the settings key
// (see SettingsStorage). Integers are stored as the decimal text of the
// value taken as unsigned 32-bit and read back to the same bit pattern
// ("4294967295" reads as -1); a value that cannot be read reads as the
// sentinel -9999. Save writes corrected values for fields out of range
// without changing the record.
//
// Runs on the window thread only.
#include <optional>
#include <string>

#include "app/AppSettings.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"

namespace karone {

class SettingsStore {
 public:
  static constexpr std::int32_t kUnreadable = -9999;
  // The value that holds the running number.
  static constexpr const char* kRunningNumberName = "dwUniqueRunningNum";

  SettingsStore(SettingsStorage& storage, Prompter& prompter);

  // Makes sure the key and all sixteen values exist, writing the default of
  // each value that cannot be read. A key that exists but holds none of
  // them (an empty or garbled file) is kept aside first (damageNote).
  void EnsureDefaults();
  // What EnsureDefaults found of a damaged key and where it kept it, for
  // the status monitor once the log is open; empty when nothing.
  const std::string& damageNote() const { return damageNote_; }
  // Reads every value into the record (defaults when the key is missing).
  void Load();
  // Writes every value, corrected where out of range. False when the key
  // could not be opened or the values could not be stored.
  bool Save();
  AppSettings Get() const { return settings_; }
  void Set(const AppSettings& settings);

  // The value written for an integer field by Save (after correction).
  static std::string integerText(std::int32_t value);
  // Parses stored integer text as a plain decimal-to-long conversion to the
  // 32-bit pattern; nullopt when the text is too long for the 80-byte buffer.
  static std::optional<std::int32_t> parseInteger(const std::string& text);
  // The record as Save writes it (corrections applied).
  static AppSettings corrected(const AppSettings& settings);

 private:
  std::int32_t readInteger(const char* name);

  SettingsStorage& storage_;
  Prompter& prompter_;
  AppSettings settings_;
  std::string damageNote_;
};

}  // namespace karone
