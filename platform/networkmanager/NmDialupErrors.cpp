#include "platform/networkmanager/NmDialupErrors.h"

#include "resources/Texts.h"

namespace karone {
namespace {

// NetworkManager's device state reasons (NMDeviceStateReason) that we
// explain ourselves.
int deviceReasonError(std::uint32_t reason) {
  switch (reason) {
    case 7:   // no secrets
      return DialupAuthenticationFailed;
    case 11:  // supplicant time-out
    case 26:  // modem dial time-out
    case 32:  // mobile network registration time-out
      return NmTimedOut;
    case 13:  // PPP disconnected
      return DialupLineDropped;
    case 23:  // modem busy
      return DialupLineBusy;
    case 24:  // no dial tone
    case 25:  // no carrier
    case 30:  // not searching for a network
    case 31:  // registration denied
    case 33:  // registration failed
      return NmNoCarrier;
    case 28:  // modem initialisation failed
    case 36:  // device removed
    case 43:  // modem not found
    case 44:  // Bluetooth connection failed
    case 52:  // modem manager unavailable
    case 57:  // modem failed
      return NmNoModem;
    case 34:  // PIN check failed
    case 45:  // SIM not inserted
    case 46:  // SIM PIN required
    case 47:  // SIM PUK required
    case 48:  // wrong SIM
    case 59:  // SIM PIN incorrect
      return NmSimOrPin;
    default:
      return 0;
  }
}

// Reasons of an active connection (NMActiveConnectionStateReason).
int activeReasonError(std::uint32_t reason) {
  switch (reason) {
    case 2:  // disconnected by a user
    case 3:  // device disconnected
      return DialupLineDropped;
    case 4:  // service stopped
      return NmStopped;
    case 6:  // connect time-out
    case 7:  // service start time-out
      return NmTimedOut;
    case 9:   // no secrets
    case 10:  // login failed
      return DialupAuthenticationFailed;
    case 11:  // profile removed
      return DialupNoSuchEntry;
    case 13:  // device could not be created
    case 14:  // device removed
      return NmNoModem;
    default:
      return 0;
  }
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int nmFailureError(std::uint32_t deviceReason, std::uint32_t activeReason) {
  if (deviceReason > 1) {  // 0 none, 1 unknown
    int error = deviceReasonError(deviceReason);
    return error != 0 ? error : kNmDeviceReasonBase + static_cast<int>(deviceReason);
  }
  int error = activeReasonError(activeReason);
  return error != 0 ? error : kNmActiveReasonBase + static_cast<int>(activeReason);
}

int nmCallError(const std::string& name, bool timedOut, bool closed) {
  if (timedOut || name == "org.freedesktop.DBus.Error.NoReply" ||
      name == "org.freedesktop.DBus.Error.Timeout" ||
      name == "org.freedesktop.DBus.Error.TimedOut") {
    return NmNoResponse;
  }
  if (closed || name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
      name == "org.freedesktop.DBus.Error.Disconnected") {
    return NmNotRunning;
  }
  if (name == "org.freedesktop.NetworkManager.UnknownConnection") return DialupNoSuchEntry;
  if (name == "org.freedesktop.NetworkManager.UnknownDevice" ||
      name == "org.freedesktop.NetworkManager.ConnectionNotAvailable") {
    return NmNoModem;
  }
  if (endsWith(name, ".PermissionDenied") || name == "org.freedesktop.DBus.Error.AccessDenied") {
    return NmPermissionDenied;
  }
  return NmNotStarted;
}

std::string nmErrorText(int error) {
  switch (error) {
    case NmNoModem:
      return text(Text::NmErrorNoModem);
    case NmSimOrPin:
      return text(Text::NmErrorSimOrPin);
    case NmNoCarrier:
      return text(Text::NmErrorNoCarrier);
    case NmTimedOut:
      return text(Text::NmErrorTimedOut);
    case NmNotRunning:
      return text(Text::NmErrorNotRunning);
    case NmStopped:
      return text(Text::NmErrorStopped);
    case NmNoResponse:
      return text(Text::NmErrorNoResponse);
    case NmPermissionDenied:
      return text(Text::NmErrorPermission);
    case NmNotStarted:
      return text(Text::NmErrorNotStarted);
    default:
      break;
  }
  if (error > kNmDeviceReasonBase && error < kNmActiveReasonBase) {
    return formatText(Text::NmErrorDeviceReason, error - kNmDeviceReasonBase);
  }
  if (error >= kNmActiveReasonBase && error < kNmActiveReasonBase + 1000) {
    return formatText(Text::NmErrorActiveReason, error - kNmActiveReasonBase);
  }
  return dialupErrorText(error);
}

}  // namespace karone
