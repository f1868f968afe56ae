#pragma once
// Persistent storage of named text values: the program's settings "key".
// The operations mirror what the settings store needs: open the key (fails
// when it does not exist), create it, read a value (a missing or unreadable
// value is a failure, never an empty string), write a value, close the key
// (which makes the writes durable).
//
// FileSettingsStorage keeps the key as the file
// $XDG_CONFIG_HOME/Brenko/Tamblor/Encoder.conf: one "name=value" line per
// value, UTF-8, read whole at open and written atomically at close.
// Backslash, CR and LF in values are escaped as \\, \r and \n.
//
// Used from one thread at a time (the window thread).
#include <map>
#include <optional>
#include <string>

namespace karone {

class SettingsStorage {
 public:
  virtual ~SettingsStorage() = default;
  virtual bool openKey() = 0;
  virtual bool createKey() = 0;
  virtual std::optional<std::string> readValue(const std::string& name) = 0;
  virtual bool writeValue(const std::string& name, const std::string& value) = 0;
  // Ends the open key; returns false when pending writes could not be stored.
  virtual bool closeKey() = 0;
  // Keeps a copy of the key as the last openKey found it, beside the key,
  // before it is replaced: the copy's path, empty when none could be kept.
  virtual std::string keepCopyAside() { return {}; }
};

class FileSettingsStorage final : public SettingsStorage {
 public:
  // path empty: paths::configDir() + "Encoder.conf".
  explicit FileSettingsStorage(std::string path = {});
  ~FileSettingsStorage() override;

  bool openKey() override;
  bool createKey() override;
  std::optional<std::string> readValue(const std::string& name) override;
  bool writeValue(const std::string& name, const std::string& value) override;
  bool closeKey() override;
  // "Encoder.conf.damaged-YYYYmmdd-HHMMSS" (with "-2"... when taken).
  std::string keepCopyAside() override;

  const std::string& path() const { return path_; }

  // The file format, exposed for tests and tools.
  static std::map<std::string, std::string> parse(const std::string& text);
  static std::string serialise(const std::map<std::string, std::string>& values);

 private:
  std::string path_;
  bool open_ = false;
  bool dirty_ = false;
  std::map<std::string, std::string> values_;
  std::string read_;  // the file's bytes as the last openKey read them
};

}  // namespace karone
