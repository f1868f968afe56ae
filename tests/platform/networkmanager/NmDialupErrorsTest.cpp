#include "platform/networkmanager/NmDialupErrors.h"

#include <gtest/gtest.h>

#include <set>

#include "resources/Texts.h"

namespace karone {
namespace {

TEST(NmDialupErrors, FailureReasonsBecomeOurCodes) {
  struct Case {
    std::uint32_t device;
    std::uint32_t active;
    int error;
  } cases[] = {
      {45, 3, NmSimOrPin},
      {47, 3, NmSimOrPin},
      {59, 3, NmSimOrPin},
      {43, 3, NmNoModem},
      {52, 3, NmNoModem},
      {25, 3, NmNoCarrier},
      {33, 3, NmNoCarrier},
      {26, 3, NmTimedOut},
      {7, 3, DialupAuthenticationFailed},
      {23, 3, DialupLineBusy},
      {13, 3, DialupLineDropped},
      {64, 3, kNmDeviceReasonBase + 64},  // no text of ours: the number is kept
      // No device reason (0 none, 1 unknown): the connection's own reason.
      {0, 6, NmTimedOut},
      {1, 10, DialupAuthenticationFailed},
      {0, 2, DialupLineDropped},
      {0, 4, NmStopped},
      {0, 11, DialupNoSuchEntry},
      {0, 14, NmNoModem},
      {0, 12, kNmActiveReasonBase + 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nmFailureError(c.device, c.active), c.error) << c.device << "/" << c.active;
  }
}

TEST(NmDialupErrors, FailedCallsBecomeOurCodes) {
  struct Case {
    const char* name;
    bool timedOut;
    bool closed;
    int error;
  } cases[] = {
      {"", true, false, NmNoResponse},
      {"org.freedesktop.DBus.Error.NoReply", false, false, NmNoResponse},
      {"", false, true, NmNotRunning},
      {"org.freedesktop.DBus.Error.ServiceUnknown", false, false, NmNotRunning},
      {"org.freedesktop.DBus.Error.NameHasNoOwner", false, false, NmNotRunning},
      {"org.freedesktop.NetworkManager.UnknownConnection", false, false, DialupNoSuchEntry},
      {"org.freedesktop.NetworkManager.UnknownDevice", false, false, NmNoModem},
      {"org.freedesktop.NetworkManager.ConnectionNotAvailable", false, false, NmNoModem},
      {"org.freedesktop.NetworkManager.PermissionDenied", false, false, NmPermissionDenied},
      {"org.freedesktop.NetworkManager.Settings.PermissionDenied", false, false,
       NmPermissionDenied},
      {"org.freedesktop.DBus.Error.AccessDenied", false, false, NmPermissionDenied},
      {"org.freedesktop.NetworkManager.Failed", false, false, NmNotStarted},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nmCallError(c.name, c.timedOut, c.closed), c.error) << c.name;
  }
}

TEST(NmDialupErrors, EveryCodeHasItsOwnText) {
  std::set<std::string> texts;
  for (int code : {NmNoModem, NmSimOrPin, NmNoCarrier, NmTimedOut, NmNotRunning, NmStopped,
                   NmNoResponse, NmPermissionDenied, NmNotStarted}) {
    std::string t = nmErrorText(code);
    EXPECT_NE(t, text(Text::DialupErrorUnknown)) << code;
    EXPECT_TRUE(texts.insert(t).second) << code << ": " << t;
  }
  EXPECT_EQ(nmErrorText(kNmDeviceReasonBase + 64), formatText(Text::NmErrorDeviceReason, 64));
  EXPECT_EQ(nmErrorText(kNmActiveReasonBase + 12), formatText(Text::NmErrorActiveReason, 12));
  EXPECT_EQ(nmErrorText(DialupAuthenticationFailed), text(Text::DialupErrorAuthentication));
  EXPECT_EQ(nmErrorText(99), text(Text::DialupErrorUnknown));
}

}  // namespace
}  // namespace karone
