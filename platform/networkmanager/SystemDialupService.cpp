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
  // The bus library's own words are English and name sockets; the
  // operator is told what it means for them.
  chosen.reason = text(backend ? Text::NmServiceMissing : Text::NmServiceNoBus);
  chosen.service = std::make_unique<NullDialupService>(chosen.reason);
  return chosen;
}

}  // namespace karone
