#pragma once
// Chooses the dial-up service of this machine once, at start: the
// NetworkManager backend when NetworkManager is on the system bus, else
// the null service (a minimal server or a container has no NetworkManager,
// or no system bus at all), with a one-line reason for the log.
//
// Bounded: with no bus, or a bus that does not answer, the choice takes at
// most the connect and call time-outs of the options.
//
// Any thread.
#include <memory>
#include <string>

#include "platform/DialupService.h"
#include "platform/networkmanager/NetworkManagerDialupService.h"

namespace karone {

struct SystemDialupService {
  std::unique_ptr<DialupService> service;  // never null
  bool networkManager = false;             // the NetworkManager backend was chosen
  std::string reason;                      // the line to log once, operator-readable
};

SystemDialupService createSystemDialupService(const NetworkManagerOptions& options = {});

}  // namespace karone
