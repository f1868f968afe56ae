#include "app/ProfileUse.h"

namespace karone {

bool usedByAutoStart(const CaptureSettings& settings, const std::string& profileName) {
  return settings.autoReconnect && settings.mode == 1 &&
         settings.autoReconnectProfile == profileName;
}

std::optional<Text> profileDeletionRefusal(const DataStore& store,
                                           const CaptureSettings& settings,
                                           const std::string& profileName) {
  if (store.isProfileUsedBySchedule(profileName)) return Text::FtpProfileUsedBySchedule;
  if (usedByAutoStart(settings, profileName)) return Text::FtpProfileIsAutoStart;
  return std::nullopt;
}

}  // namespace karone
