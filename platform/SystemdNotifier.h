#pragma once
// Tells the service manager how the program is doing, over its notification
// socket ($NOTIFY_SOCKET: a datagram socket, a path or "@" for the abstract
// namespace): "READY=1" once start-up is done, "STATUS=…" with a line for
// `systemctl status`, "STOPPING=1" when the exit begins, and "WATCHDOG=1"
// pings when the manager watches the program ($WATCHDOG_USEC, for this
// process when $WATCHDOG_PID names it). Without the variables every call
// does nothing, so the program runs the same outside a service.
//
// Threads: any thread; each message is one datagram, sent without waiting
// (dropped when the manager's queue is full).
#include <chrono>
#include <optional>
#include <string>

namespace karone {

class SystemdNotifier {
 public:
  // From the process environment.
  static SystemdNotifier fromEnvironment();
  // socketPath empty: no manager; watchdogUsec 0: no watchdog.
  SystemdNotifier(std::string socketPath, long long watchdogUsec);

  bool enabled() const { return !socketPath_.empty(); }
  // How often the watchdog wants a ping (half its time-out), if it watches.
  std::optional<std::chrono::milliseconds> watchdogPingInterval() const;

  // Sends the assignments, one per line ("READY=1\nSTATUS=…"). False when
  // there is no manager or the datagram could not be sent.
  bool notify(const std::string& assignments) const;

 private:
  std::string socketPath_;
  long long watchdogUsec_ = 0;
};

}  // namespace karone
