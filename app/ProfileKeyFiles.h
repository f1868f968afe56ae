#pragma once
// The key file of each SFTP profile, kept in the settings file under a key
// of our own named after the profile ("SftpKeyFile/<name>", with '%', '='
// and control bytes of the name written as %XX), since the data file has no
// field for it. An empty value means the agent and the usual keys.
//
// Runs on the thread that owns the settings storage.
#include <string>

#include "platform/SettingsStorage.h"

namespace karone {

std::string profileKeyFileSetting(const std::string& profileName);
std::string readProfileKeyFile(SettingsStorage& settings, const std::string& profileName);
// Stores the key file of a profile; a profile renamed from formerName
// leaves nothing under the old name. False when the settings cannot be
// written.
bool storeProfileKeyFile(SettingsStorage& settings, const std::string& profileName,
                         const std::string& keyFile, const std::string& formerName = {});

}  // namespace karone
