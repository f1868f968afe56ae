#include "platform/networkmanager/NmLineProfile.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

VariantPtr parse(const char* text) {
  GError* error = nullptr;
  GVariant* v = g_variant_parse(G_VARIANT_TYPE("a{sa{sv}}"), text, nullptr, nullptr, &error);
  if (v == nullptr) {
    ADD_FAILURE() << error->message;
    g_error_free(error);
    return nullptr;
  }
  return VariantPtr(g_variant_ref_sink(v));
}

TEST(NmLineProfile, OnlyLineTypesAreLines) {
  struct Case {
    const char* settings;
    bool line;
    const char* secretSetting;
    const char* user;
    std::uint32_t flags;
  } cases[] = {
      {"{'connection': {'id': <'m'>, 'type': <'gsm'>},"
       " 'gsm': {'username': <'u'>, 'password-flags': <uint32 1>}}",
       true, "gsm", "u", 1},
      {"{'connection': {'id': <'c'>, 'type': <'cdma'>}, 'cdma': {'number': <'#777'>}}", true,
       "cdma", "", 0},
      {"{'connection': {'id': <'p'>, 'type': <'pppoe'>}, 'pppoe': {'username': <'x'>}}", true,
       "pppoe", "x", 0},
      {"{'connection': {'id': <'b'>, 'type': <'bluetooth'>}, 'bluetooth': {'type': <'dun'>},"
       " 'cdma': {'username': <'y'>}}",
       true, "cdma", "y", 0},
      {"{'connection': {'id': <'b'>, 'type': <'bluetooth'>}, 'bluetooth': {'type': <'dun'>}}",
       true, "gsm", "", 0},
      {"{'connection': {'id': <'n'>, 'type': <'bluetooth'>}, 'bluetooth': {'type': <'panu'>}}",
       false, "", "", 0},
      {"{'connection': {'id': <'e'>, 'type': <'802-3-ethernet'>}}", false, "", "", 0},
      {"{'connection': {'id': <'w'>, 'type': <'802-11-wireless'>}}", false, "", "", 0},
      {"{'connection': {'id': <'v'>, 'type': <'vpn'>}}", false, "", "", 0},
      {"{'connection': {'type': <'gsm'>}}", false, "", "", 0},  // no name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    VariantPtr settings = parse(c.settings);
    auto profile = lineProfileFromSettings(settings.get(), "/p");
    ASSERT_EQ(profile.has_value(), c.line);
    if (!profile) continue;
    EXPECT_EQ(profile->path, "/p");
    EXPECT_EQ(profile->secretSetting, c.secretSetting);
    EXPECT_EQ(profile->user, c.user);
    EXPECT_EQ(profile->passwordFlags, c.flags);
  }
  EXPECT_FALSE(lineProfileFromSettings(nullptr, "/p"));
}

}  // namespace
}  // namespace karone
