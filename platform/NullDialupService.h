#pragma once
// The dial-up service of a machine without dial-up: no connection, no
// entries, and every dial fails to start with DialupUnavailable. Profiles
// without dial-up work unchanged on it.
//
// Stateless; any thread.
#include "platform/DialupService.h"

namespace karone {

class NullDialupService final : public DialupService {
 public:
  std::vector<DialupConnection> connections() override { return {}; }
  DialupStatus status(DialupHandle) override { return DialupStatus{}; }
  DialupEntries readEntries() override { return {}; }
  std::optional<DialupCredentials> storedCredentials(const std::string&) override {
    return std::nullopt;
  }
  DialupStart dial(const DialupRequest&, ProgressFunction) override {
    return DialupStart{DialupUnavailable, kNoDialupHandle};
  }
  void hangUp(DialupHandle) override {}
  std::string errorText(int error) override { return dialupErrorText(error); }
};

}  // namespace karone
