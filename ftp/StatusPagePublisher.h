#pragma once
// The status page on the server, as the uploader publishes it: the running
// page that names each new strip (replaced only by a complete new one), the
// stopped page, and reading back which strip the page on the server names.
// It remembers the strip the running page it published names, and at the
// orderly exit tries the stopped page once (later requests get that try's
// result; a failed try is said in one line even when the connection is gone).
//
// Threads: the uploader's worker, but for beginExit and failures() (any).
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "ftp/EventLog.h"
#include "ftp/UploadContext.h"
#include "platform/FtpClient.h"

namespace karone {

class StatusPagePublisher {
 public:
  // folder: where the local copy of the page is written, ending with '/'.
  StatusPagePublisher(FtpClient& client, EventLog& log, std::string folder);

  // The running page naming `frameName`, with the run's caption and rates;
  // false (and the published page left as it was) when it could not be
  // stored whole.
  bool publishRunning(const std::string& frameName, const UploadContext& run);
  // The stopped page; false when it is not on the server.
  bool publishStopped();
  // The strip the page on the server names, when it names one of ours.
  std::optional<std::uint32_t> stripOnServer();
  // The strip the running page last published names ("" when the stopped
  // page has replaced it, or none was published).
  const std::string& strip() const { return strip_; }

  // The orderly exit has begun: the stopped page is tried once from now on.
  void beginExit() { exiting_ = true; }
  // Running pages that could not be published so far.
  int failures() const { return failures_; }

 private:
  std::string localPath() const;

  FtpClient& client_;
  EventLog& log_;
  std::string folder_;
  std::string strip_;
  std::atomic<bool> exiting_{false};
  std::optional<bool> exitTry_;  // the exit's one try: whether it went up
  std::atomic<int> failures_{0};
};

}  // namespace karone
