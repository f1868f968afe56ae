#include "platform/networkmanager/SystemDialupService.h"

#include "platform/NullDialupService.h"
#include "resources/Texts.h"

namespace karone {

SystemDialupService createSystemDialupService(const NetworkManagerOptions& options) {
  SystemDialupService chosen;
  std::string error;
  auto backend = NetworkManagerDialupService::connect(options, &error);
  if (backend && backend->networkManagerRunning()) {
    chosen.service = std::move(backend);
    chosen.networkManager = true;
    chosen.reason = text(Text::NmServiceInUse);
    return chosen;
  }
  chosen.service = std::make_unique<NullDialupService>();
  chosen.reason = backend ? std::string(text(Text::NmServiceMissing))
                          : formatText(Text::NmServiceNoBus, error.c_str());
  return chosen;
}

}  // namespace karone
