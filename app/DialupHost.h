#pragma once
// What the dial-up link needs from the main window: a status line, the
// uploader's connect command, and dispatching the window thread's pending
// messages while a hang-up is waited for.
#include <string>

namespace karone {

class DialupHost {
 public:
  virtual ~DialupHost() = default;
  // One line in the FTP status monitor and the event log. Any thread.
  virtual void ShowStatus(const std::string& line) = 0;
  // Queues the uploader's connect command. Window thread.
  virtual void QueueConnect() = 0;
  // Runs the window thread's pending messages (timers, commands, relayed
  // dial-up events) when called on the window thread; nothing on another.
  virtual void pumpMessages() = 0;
};

}  // namespace karone
