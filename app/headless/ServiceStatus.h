#pragma once
// The headless program as the service manager sees it: the "STATUS=" line of
// `systemctl status` (the state of the broadcast and the last status line),
// and the notifications around it: "READY=1" once start-up is done,
// "STOPPING=1" when the exit begins, and "WATCHDOG=1" from the controller's
// own thread, so that a controller that no longer runs its steps stops the
// pings and the manager restarts the program.
//
// Threads: the loop's thread (the controller's).
#include <functional>
#include <memory>
#include <string>

#include "app/RunController.h"
#include "platform/SystemdNotifier.h"
#include "platform/Timers.h"

namespace karone {

struct BroadcastState {
  bool ending = false;
  bool capturing = false;
  bool connected = false;
  bool suspect = false;
  bool reconnecting = false;
  int reconnectMinutes = 0;
  std::string profile;
  std::string address;
  std::string lastLine;  // the last status line, empty when none yet
};

// The STATUS= text for a state.
std::string serviceStatusLine(const BroadcastState& state);

class ServiceStatus {
 public:
  ServiceStatus(const SystemdNotifier& notifier, TimerService& timers, RunController& controller);

  // Start-up is done: READY=1 with the first status; the status follows the
  // run every second and the watchdog pings start.
  void ready();
  // The exit begins.
  void stopping();
  // For the console: takes each status line shown (it may outlive this).
  std::function<void(const std::string&)> lineWatcher() {
    return [last = lastLine_](const std::string& line) { *last = line; };
  }

 private:
  BroadcastState state() const;
  void update(const char* prefix);

  const SystemdNotifier& notifier_;
  RunController& controller_;
  std::unique_ptr<Timer> status_;
  std::unique_ptr<Timer> watchdog_;
  std::shared_ptr<std::string> lastLine_ = std::make_shared<std::string>();
  std::string sent_;
  bool ending_ = false;
};

}  // namespace karone
