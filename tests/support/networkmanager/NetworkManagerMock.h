#pragma once
// NetworkManager simulated on a private bus for a test: python-dbusmock's
// NetworkManager template extended by nm_line_template.py (saved profiles
// of every type with their credentials, a modem, activations that go
// through NetworkManager's states, scripted outcomes). It owns the name
// org.freedesktop.NetworkManager on the bus once started() is true, and
// leaves the bus when stop() is called or the object ends.
//
// Used on the test's thread.
#include <gio/gio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/networkmanager/PrivateSystemBus.h"

namespace karone::testing {

class NetworkManagerMock {
 public:
  explicit NetworkManagerMock(const PrivateSystemBus& bus);
  ~NetworkManagerMock();
  NetworkManagerMock(const NetworkManagerMock&) = delete;
  NetworkManagerMock& operator=(const NetworkManagerMock&) = delete;

  bool started() const { return started_; }
  const std::string& error() const { return error_; }
  std::string log() const;

  // A saved profile. type: "gsm", "cdma", "pppoe", "bluetooth-dun",
  // "bluetooth-panu", "802-3-ethernet", "802-11-wireless", ... Returns its
  // object path.
  std::string addProfile(const std::string& id, const std::string& type,
                         const std::string& user = "", std::uint32_t passwordFlags = 0);
  // The password NetworkManager keeps for a profile; denied: reading it is
  // refused.
  void setSecret(const std::string& id, const std::string& password, bool denied = false);
  // The next activation of a profile: "connect" (default), "hold",
  // "fail:<device reason>", "error:<D-Bus error name>".
  void scriptActivation(const std::string& id, const std::string& outcome);
  // A profile that is up already; returns the active connection's path.
  std::string addActiveLine(const std::string& id);
  // The active connection of a profile ("/" when none).
  std::string activePathOf(const std::string& id);
  // Moves an active connection on (4, deactivated, also removes it).
  void setActiveState(const std::string& activePath, std::uint32_t state, std::uint32_t reason);
  // What NetworkManager was asked, in order ("ActivateConnection mobile",
  // "DeactivateConnection mobile", "GetSecrets mobile gsm",
  // "Update2 mobile flags=68 user=u password=p").
  std::vector<std::string> calls();

  // NetworkManager leaves the bus.
  void stop();
  // NetworkManager stays on the bus but stops answering (SIGSTOP), and
  // answers again.
  void freeze();
  void thaw();

 private:
  GVariant* call(const char* method, GVariant* parameters, const char* replyType);

  TempDir dir_;
  ChildProcess process_;
  GDBusConnection* control_ = nullptr;
  bool started_ = false;
  std::string error_;
};

}  // namespace karone::testing
