#pragma once
// The dial-up service on NetworkManager, through its D-Bus interface on
// the system bus.
//
// - Phone-book entries are the saved line profiles (mobile broadband,
//   PPPoE, Bluetooth dial-up; see NmLineProfile.h) by their names. Nothing
//   else is ever listed, dialled or hung up, so a profile can never take
//   the machine's own wired or wireless network down.
//   A listing that fails reports the error of the failed call.
// - Stored credentials: the profile's user name, and its password when
//   NetworkManager keeps it itself (never asking a user's agent).
// - dial() activates the profile. A user or password given in the request
//   that differs from what the profile holds is given to NetworkManager
//   first as an in-memory change of the profile (the saved file keeps its
//   own). Progress: Dialling while NetworkManager activates, then
//   Connected, or a final event with the error code of NetworkManager's
//   reason (NmDialupErrors.h). A dial reports nothing after its final
//   event or after it was hung up.
// - connections() lists the active line connections (an existing line is
//   adopted this way); status() reports a connection gone once
//   NetworkManager has deactivated or dropped it, or has itself gone away.
// - hangUp() deactivates the connection.
// - When NetworkManager leaves the bus (or the bus goes away), every dial
//   in progress fails with NmStopped and every connection is gone.
//
// Threads: operations may be called from any thread; they make bounded
// D-Bus calls on the calling thread (status() and hangUp() of an unknown
// handle make none). Progress functions and the tracking of
// NetworkManager's signals run on the service's own thread (a GLib main
// loop of this object), one event at a time, in order; a progress
// function may block (for example while the window thread handles the
// event) without stalling the other operations. The destructor waits for
// a progress function that is running, so the service must not be
// destroyed on a thread that such a function waits for.
#include <memory>
#include <string>

#include "platform/DialupService.h"

namespace karone {

struct NetworkManagerOptions {
  // The bus to use; empty: the system bus (DBUS_SYSTEM_BUS_ADDRESS, else
  // its standard socket).
  std::string busAddress;
  int connectTimeoutMs = 2000;  // connecting to the bus
  int callTimeoutMs = 5000;     // every call to NetworkManager
};

class NetworkManagerDialupService final : public DialupService {
 public:
  // Connects to the bus and starts the service's thread. Nothing (and a
  // readable `error`) when the bus cannot be reached in time. Whether
  // NetworkManager is there is a separate question: networkManagerRunning().
  static std::unique_ptr<NetworkManagerDialupService> connect(const NetworkManagerOptions& options,
                                                              std::string* error);
  ~NetworkManagerDialupService() override;
  NetworkManagerDialupService(const NetworkManagerDialupService&) = delete;
  NetworkManagerDialupService& operator=(const NetworkManagerDialupService&) = delete;

  // Whether NetworkManager owns its name on the bus now.
  bool networkManagerRunning();

  std::vector<DialupConnection> connections() override;
  DialupStatus status(DialupHandle handle) override;
  DialupEntries readEntries() override;
  std::optional<DialupCredentials> storedCredentials(const std::string& entry) override;
  DialupStart dial(const DialupRequest& request, ProgressFunction progress) override;
  void hangUp(DialupHandle handle) override;
  std::string errorText(int error) override;

 private:
  struct Impl;
  explicit NetworkManagerDialupService(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace karone
