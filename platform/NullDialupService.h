#pragma once
// The dial-up service of a machine without dial-up: no connection, no
// entries, and every dial fails to start with DialupUnavailable, explained
// by the reason it was made with (why the machine has no dial-up). Profiles
// without dial-up work unchanged on it.
//
// Immutable; any thread.
#include <utility>

#include "platform/DialupService.h"

namespace karone {

class NullDialupService final : public DialupService {
 public:
  // reason: empty for the general "no dial-up here" text.
  explicit NullDialupService(std::string reason = {})
      : reason_(reason.empty() ? dialupErrorText(DialupUnavailable) : std::move(reason)) {}

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
  std::string errorText(int error) override {
    return error == DialupUnavailable ? reason_ : dialupErrorText(error);
  }
  std::optional<std::string> unavailableReason() override { return reason_; }

 private:
  const std::string reason_;
};

}  // namespace karone
