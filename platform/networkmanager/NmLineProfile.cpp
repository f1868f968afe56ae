#include "platform/networkmanager/NmLineProfile.h"

#include <set>

namespace karone {
namespace {

VariantPtr setting(GVariant* settings, const char* name) {
  return VariantPtr(g_variant_lookup_value(settings, name, G_VARIANT_TYPE_VARDICT));
}

VariantPtr readSettings(GDBusConnection* connection, const std::string& path, int timeoutMs,
                        DbusReply* failure) {
  DbusReply reply = callDbus(connection, kNmBusName, path.c_str(), kNmProfileInterface,
                             "GetSettings", nullptr, "(a{sa{sv}})", timeoutMs);
  if (!reply.ok()) {
    if (failure != nullptr) *failure = std::move(reply);
    return nullptr;
  }
  return VariantPtr(g_variant_get_child_value(reply.value.get(), 0));
}

}  // namespace

std::optional<NmLineProfile> lineProfileFromSettings(GVariant* settings, const std::string& path) {
  if (settings == nullptr || !g_variant_is_of_type(settings, G_VARIANT_TYPE("a{sa{sv}}"))) {
    return std::nullopt;
  }
  VariantPtr connection = setting(settings, "connection");
  NmLineProfile profile;
  profile.path = path;
  profile.id = lookupString(connection.get(), "id");
  profile.type = lookupString(connection.get(), "type");
  if (profile.id.empty()) return std::nullopt;
  if (profile.type == "gsm" || profile.type == "cdma" || profile.type == "pppoe") {
    profile.secretSetting = profile.type;
  } else if (profile.type == "bluetooth") {
    VariantPtr bluetooth = setting(settings, "bluetooth");
    if (lookupString(bluetooth.get(), "type") != "dun") return std::nullopt;
    profile.secretSetting = setting(settings, "cdma") ? "cdma" : "gsm";
  } else {
    return std::nullopt;
  }
  VariantPtr secrets = setting(settings, profile.secretSetting.c_str());
  profile.user = lookupString(secrets.get(), "username");
  profile.passwordFlags = lookupUint32(secrets.get(), "password-flags", 0);
  return profile;
}

std::optional<std::vector<NmLineProfile>> readLineProfiles(GDBusConnection* connection,
                                                           int timeoutMs, DbusReply* failure) {
  DbusReply list = callDbus(connection, kNmBusName, kNmSettingsPath, kNmSettingsInterface,
                            "ListConnections", nullptr, "(ao)", timeoutMs);
  if (!list.ok()) {
    if (failure != nullptr) *failure = std::move(list);
    return std::nullopt;
  }
  std::vector<NmLineProfile> lines;
  VariantPtr paths(g_variant_get_child_value(list.value.get(), 0));
  std::set<std::string> names;
  for (const std::string& path : objectPaths(paths.get())) {
    // A profile removed meanwhile, or one we may not read, is skipped; a
    // service that stops answering ends the listing (one time-out, not one
    // per profile).
    DbusReply error;
    VariantPtr settings = readSettings(connection, path, timeoutMs, &error);
    if (!settings && (error.timedOut || error.closed)) {
      if (failure != nullptr) *failure = std::move(error);
      return std::nullopt;
    }
    auto line = lineProfileFromSettings(settings.get(), path);
    if (line && names.insert(line->id).second) lines.push_back(std::move(*line));
  }
  return lines;
}

std::optional<NmLineProfile> readLineProfile(GDBusConnection* connection, const std::string& path,
                                             int timeoutMs) {
  VariantPtr settings = readSettings(connection, path, timeoutMs, nullptr);
  return lineProfileFromSettings(settings.get(), path);
}

DialupCredentials readStoredCredentials(GDBusConnection* connection, const NmLineProfile& profile,
                                        int timeoutMs) {
  DialupCredentials credentials;
  credentials.user = profile.user;
  if ((profile.passwordFlags & (kNmSecretAgentOwned | kNmSecretNotSaved | kNmSecretNotRequired)) !=
      0) {
    return credentials;  // only a user's agent has it, or there is none
  }
  DbusReply reply = callDbus(connection, kNmBusName, profile.path.c_str(), kNmProfileInterface,
                             "GetSecrets", g_variant_new("(s)", profile.secretSetting.c_str()),
                             "(a{sa{sv}})", timeoutMs);
  if (!reply.ok()) return credentials;
  VariantPtr secrets(g_variant_get_child_value(reply.value.get(), 0));
  VariantPtr group = setting(secrets.get(), profile.secretSetting.c_str());
  credentials.password = lookupString(group.get(), "password");
  return credentials;
}

}  // namespace karone
