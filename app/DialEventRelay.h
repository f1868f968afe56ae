#pragma once
// Carries a dial-up progress event from the dial-up service's thread to the
// window thread, synchronously: relay() returns only after `deliver` has run
// on the window thread (or has been dropped because the window thread is
// gone). The user interface implements it with its event loop; tests use
// QueuedDialEventRelay.
#include <functional>

namespace karone {

class DialEventRelay {
 public:
  virtual ~DialEventRelay() = default;
  // Called on the service's thread (or on the window thread itself, where
  // it runs `deliver` at once).
  virtual void relay(const std::function<void()>& deliver) = 0;
};

}  // namespace karone
