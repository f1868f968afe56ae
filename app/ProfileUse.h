#pragma once
// What holds an FTP profile: a schedule that names it, and the automatic
// start in still mode that connects with it. A profile in use may not be
// deleted, and only partly changed.
//
// Pure functions; the caller's thread.
#include <optional>
#include <string>

#include "capture/CaptureSettings.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"

namespace karone {

// Whether the automatic start in still mode connects with the profile.
bool usedByAutoStart(const CaptureSettings& settings, const std::string& profileName);

// Why the profile may not be deleted now, as the message for the operator: a
// schedule uses it, or else the automatic start does. Nothing: it may go.
std::optional<Text> profileDeletionRefusal(const DataStore& store,
                                           const CaptureSettings& settings,
                                           const std::string& profileName);

}  // namespace karone
