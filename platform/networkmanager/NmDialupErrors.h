#pragma once
// The error codes of dial-up lines on NetworkManager and their texts.
//
// A dial that does not start reports the D-Bus error of NetworkManager's
// answer (or of its silence) as one of our codes; a dial that ends without
// the line coming up reports the reason NetworkManager gave: the device's
// reason when the device failed (no modem, SIM or PIN, no carrier, busy,
// time-out, authentication), else the active connection's reason. Reasons
// without a text of their own become kNmDeviceReasonBase or
// kNmActiveReasonBase plus NetworkManager's number, so the log still tells
// which one it was.
//
// Pure functions; any thread.
#include <cstdint>
#include <string>

#include "platform/DialupService.h"

namespace karone {

enum NmDialupError : int {
  NmNoModem = 101,           // no modem or device for the profile
  NmSimOrPin = 102,          // no SIM card, or it needs its PIN (or PUK)
  NmNoCarrier = 103,         // no carrier or no mobile network
  NmTimedOut = 104,          // the line did not come up in time
  NmNotRunning = 105,        // NetworkManager is not on the bus
  NmStopped = 106,           // NetworkManager went away during the dial
  NmNoResponse = 107,        // NetworkManager did not answer in time
  NmPermissionDenied = 108,  // the user may not control this connection
  NmNotStarted = 109,        // NetworkManager refused for another reason
};

inline constexpr int kNmDeviceReasonBase = 1000;
inline constexpr int kNmActiveReasonBase = 2000;

// The error of a dial that ended without the line: `deviceReason` is the
// device's failure reason (0 when none is known), `activeReason` the
// active connection's reason for its deactivation.
int nmFailureError(std::uint32_t deviceReason, std::uint32_t activeReason);

// The error of a call to NetworkManager that failed: the D-Bus error name
// ("" for a local error), and whether the call timed out or the bus
// connection is closed.
int nmCallError(const std::string& dbusErrorName, bool timedOut, bool closed);

// The operator-readable text of any code this backend reports.
std::string nmErrorText(int error);

}  // namespace karone
