#pragma once
// What the dial-up link needs from the main window: a status line and the
// uploader's connect command.
//
// Threads: window thread only.
#include <string>

namespace karone {

class DialupHost {
 public:
  virtual ~DialupHost() = default;
  // One line in the FTP status monitor and the event log.
  virtual void ShowStatus(const std::string& line) = 0;
  // Queues the uploader's connect command.
  virtual void QueueConnect() = 0;
};

}  // namespace karone
