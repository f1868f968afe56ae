#pragma once
// NetworkManager's saved connection profiles that bring up a line on
// demand: mobile broadband ("gsm", "cdma"), "pppoe" and Bluetooth dial-up
// ("bluetooth" of type "dun"). Every other profile (wired, Wi-Fi, VPN,
// Bluetooth networking) is not a line and is never listed, dialled or hung
// up.
//
// lineProfileFromSettings is pure; the readers make bounded D-Bus calls on
// the calling thread.
#include <gio/gio.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialupService.h"
#include "platform/networkmanager/DbusCall.h"

namespace karone {

inline constexpr const char* kNmBusName = "org.freedesktop.NetworkManager";
inline constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
inline constexpr const char* kNmInterface = "org.freedesktop.NetworkManager";
inline constexpr const char* kNmSettingsPath = "/org/freedesktop/NetworkManager/Settings";
inline constexpr const char* kNmSettingsInterface = "org.freedesktop.NetworkManager.Settings";
inline constexpr const char* kNmProfileInterface =
    "org.freedesktop.NetworkManager.Settings.Connection";
inline constexpr const char* kNmActiveInterface =
    "org.freedesktop.NetworkManager.Connection.Active";
inline constexpr const char* kNmDeviceInterface = "org.freedesktop.NetworkManager.Device";

// Secret flags of NetworkManager: a password with any of these set is kept
// by a user's agent or asked for each time, never given out by the service.
inline constexpr std::uint32_t kNmSecretAgentOwned = 0x1;
inline constexpr std::uint32_t kNmSecretNotSaved = 0x2;
inline constexpr std::uint32_t kNmSecretNotRequired = 0x4;

struct NmLineProfile {
  std::string path;           // the profile's object path
  std::string id;             // its name: the phone-book entry
  std::string type;           // connection.type
  std::string secretSetting;  // the setting holding username and password
  std::string user;
  std::uint32_t passwordFlags = 0;
};

// The line described by a profile's settings (a{sa{sv}}), or nothing when
// the profile is not a line.
std::optional<NmLineProfile> lineProfileFromSettings(GVariant* settings, const std::string& path);

// Every line profile, in NetworkManager's order; the first of several with
// the same name wins. Nothing when the list cannot be read (`failure`, when
// given, then holds the failed reply).
std::optional<std::vector<NmLineProfile>> readLineProfiles(GDBusConnection* connection,
                                                           int timeoutMs, DbusReply* failure);

// The line profile at a path (for an active connection's profile).
std::optional<NmLineProfile> readLineProfile(GDBusConnection* connection, const std::string& path,
                                             int timeoutMs);

// The credentials NetworkManager gives out for a profile without asking a
// user's agent: the user name always, the password only when the service
// itself keeps it and lets us read it; empty otherwise.
DialupCredentials readStoredCredentials(GDBusConnection* connection, const NmLineProfile& profile,
                                        int timeoutMs);

}  // namespace karone
