#include "app/ProfileKeyFiles.h"

#include <cstdio>

namespace karone {

std::string profileKeyFileSetting(const std::string& profileName) {
  std::string key = "SftpKeyFile/";
  for (unsigned char c : profileName) {
    if (c == '%' || c == '=' || c < 0x20 || c == 0x7f) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      key += escaped;
    } else {
      key += static_cast<char>(c);
    }
  }
  return key;
}

std::string readProfileKeyFile(SettingsStorage& settings, const std::string& profileName) {
  if (!settings.openKey()) return {};
  const auto value = settings.readValue(profileKeyFileSetting(profileName));
  settings.closeKey();
  return value.value_or("");
}

bool storeProfileKeyFile(SettingsStorage& settings, const std::string& profileName,
                         const std::string& keyFile, const std::string& formerName) {
  if (!settings.openKey() && !(settings.createKey() && settings.openKey())) return false;
  const std::string key = profileKeyFileSetting(profileName);
  // Nothing is written for a profile that never had a key file.
  bool ok = true;
  if (!keyFile.empty() || settings.readValue(key)) ok = settings.writeValue(key, keyFile);
  if (!formerName.empty() && formerName != profileName) {
    const std::string former = profileKeyFileSetting(formerName);
    if (settings.readValue(former)) ok = settings.writeValue(former, "") && ok;
  }
  return settings.closeKey() && ok;
}

}  // namespace karone
