#pragma once
// The one FTP session of the program and everything that talks to the
// server: connect and disconnect with the active profile, upload each
// picture, publish the status page, keep the server's strip buffer within
// the profile's limit, list and navigate the remote directory, delete the
// buffer files, and recover from failed uploads by reconnecting.
//
// Threads: callers on any thread queue commands (queue); the worker, a
// TaskThread, runs them strictly in order. What the worker has to tell goes
// to the event sink, on the worker; what it must know about the run it reads
// from the context reader; questions to the operator and the start of
// sending after a timed reconnect block the worker until answered.
//
// Waits (the 5 seconds between reconnection attempts) go through the given
// Sleeper. Errors never escape: failures are logged and reported as events.
//
// Nothing half-done stays on the server: the status page is only renamed
// into place once its upload succeeded (otherwise the published page stays
// and the failure is logged); a strip whose upload failed is deleted again
// while the server still answers; and the first strip of every session
// (connect, reconnect, recovery) also deletes the strips earlier sessions
// left outside the window or unfinished (staleStrips in RemoteNames), using
// the strip the page on the server named before it. A session that recovery
// opens sweeps at once, from the last strip that went up. A picture uploaded
// after capture has stopped is followed by the stopped page.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ftp/EventLog.h"
#include "ftp/RemoteNames.h"
#include "ftp/StatusPagePublisher.h"
#include "ftp/UploadCommand.h"
#include "ftp/UploadContext.h"
#include "ftp/UploaderEvent.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/Prompter.h"
#include "platform/threads/TaskThread.h"
#include "schedule/ProfileInfo.h"

namespace karone {

class FtpUploader {
 public:
  static constexpr int kMaxReconnectTries = 10;
  static constexpr std::int64_t kReconnectPauseMillis = 5000;
  static constexpr const char* kAgent = "TamblorFTP";
  // What a profile says about the server and the log-in.
  static FtpConnectParams connectParams(const ProfileInfo& profile);

  // What the worker asks of the run controller's thread and waits for.
  struct Requests {
    // The operator's answer. Empty: nobody to ask, as if dismissed (Cancel).
    std::function<PromptAnswer(const std::string& text, const std::string& caption,
                               PromptButtons buttons, PromptIcon icon)>
        ask;
    // After a timed reconnect: start sending as the operator's button does,
    // returning once the start has been tried (the context read next tells
    // whether capture runs). Empty: nothing starts.
    std::function<void()> startSendingAfterReconnect;
  };

  struct Parts {
    FtpClient& client;
    EventLog& log;
    Sleeper& sleeper;
    // Folder of the local copy of the status page, ending with '/'.
    std::string statusDirectory;
    // Called on the worker for every event, in order. Empty: events go nowhere.
    std::function<void(UploaderEvent)> events;
    // The run as it is now, read on the worker. Empty: the defaults.
    std::function<UploadContext()> context;
    Requests requests;
  };

  // A column of the remote directory view.
  struct Column {
    std::string heading;
    int width = 0;  // pixels
  };
  // Name, size and date, widths from the string table ("116,60,70"; a
  // missing or unreadable figure gives 118, 60 and 68).
  static std::vector<Column> directoryViewColumns();

  explicit FtpUploader(Parts parts);
  // Stops the worker (StopWorker), then closes the connection.
  ~FtpUploader();
  FtpUploader(const FtpUploader&) = delete;
  FtpUploader& operator=(const FtpUploader&) = delete;

  // Starts the worker thread (true at once when it runs already; false once
  // stopped).
  bool StartWorker();
  // Lets the commands queued so far run, drops what they queue in turn, and
  // ends the worker. Not from the worker.
  void StopWorker();

  // Any thread. A ChangeDirectory to a file is ignored here.
  void queue(UploadCommand command);

  // The orderly exit has begun: everything left to do with the server, the
  // command running now included, shares one budget of `budgetMillis`, and
  // the stopped page is tried once (later requests for it get that try's
  // result; a failed try says so in one line). Any thread.
  void beginExit(std::int64_t budgetMillis);

  // The active profile: set by the caller, read by the worker at connect.
  void SetProfile(const ProfileInfo& profile);
  ProfileInfo profile() const;
  bool IsConnected() const;
  // Nothing queued and nothing running.
  bool IsIdle() const;
  // Blocks until every command queued so far (and those they queue) has
  // run. For command-line tools and tests; never from the worker.
  void waitUntilDone();

  // What the last listing found, and the recovery state.
  int motionBufferCount() const { return motionCount_; }
  int stillBufferCount() const { return stillCount_; }
  int retryCount() const { return retries_; }
  // How many running status pages could not be published so far (the page
  // on the server then stays as it was).
  int statusPageFailures() const { return pages_.failures(); }

 private:
  // Runs `work` on the worker as one command.
  void post(std::function<void()> work);
  void report(UploaderEvent event);
  UploadContext context() const;
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon);
  void Log(const std::string& message);

  void run(const upload::Connect&) { connect(false); }
  void run(const upload::Reconnect&) { connect(true); }
  void run(const upload::Disconnect&) { disconnect(); }
  void run(const upload::DisconnectAndHangUp&);
  void run(const upload::EndSession&) { endSession(); }
  void run(const upload::DeleteAllBuffers&) { deleteAllBuffers(); }
  void run(const upload::UploadFrame& command) { uploadFrame(command.frame); }
  void run(const upload::ChangeDirectory& command) { changeDirectory(command.name); }
  void run(const upload::GoUp&) { changeDirectory(".."); }
  void run(const upload::CheckSession& command);
  void run(const upload::StoppedStatus&) { uploadStoppedStatus(); }

  bool connect(bool reconnect);
  bool openSession(const ProfileInfo& profile);  // log, connect, report
  // After a connect refused for a server nothing trusts yet: says why, and
  // true when the operator chose to trust it (stored by the client).
  bool offerTrust(const ProfileInfo& profile);
  void enterUploadDirectory(const ProfileInfo& profile);
  void disconnect();
  void uploadFrame(const FrameRequest& frame);
  void recoverFromUploadFailure();
  void listDirectory(bool withLog);
  void deleteOldestFrame();
  void deleteAllBuffers();
  // keep: a strip the bulk deletion leaves alone ("" for none).
  void clearMotionBuffers(const std::string& keep = {});
  int deletionPass(BulkDeletion form, bool logEachFile, const std::string& keep = {});
  void endSession();
  void changeDirectory(const std::string& directory);
  void sweepStaleStrips();
  // After recovery has reconnected: the sweep of a session's first strip.
  void sweepAfterReconnect();
  bool checkSession(bool withLog);
  // False when the stopped page is not on the server.
  bool uploadStoppedStatus();

  FtpClient& client_;
  EventLog& log_;
  Sleeper& sleeper_;
  StatusPagePublisher pages_;
  std::function<void(UploaderEvent)> events_;
  std::function<UploadContext()> context_;
  Requests requests_;

  mutable std::mutex profileMutex_;
  ProfileInfo profile_;

  // Worker state.
  std::string previousLocalPath_;
  std::string currentLocalPath_;
  std::string lastUploadedFrame_;
  // Set when a session opens: the first strip after it also clears what
  // earlier sessions left behind (see sweepStaleStrips).
  bool sweepPending_ = false;
  // Set when a session opens: its first listing that works reports the
  // strips it found (StripsOnServer).
  bool stripsPending_ = false;
  std::optional<std::uint32_t> publishedBefore_;  // the page's strip before it
  // Recovery gave up: no strip goes up until a session is opened by a
  // connect or reconnect command.
  bool gaveUp_ = false;
  // Strips of this session already deleted by a sweep or after a refused
  // upload: rotation passes over them without a word.
  std::set<std::string> deletedStrips_;
  std::atomic<int> retries_{0};
  std::atomic<int> motionCount_{0};
  std::atomic<int> stillCount_{0};
  // Set on the worker once StopWorker's turn has come: what is still queued
  // then is dropped unrun.
  bool stopping_ = false;
  bool started_ = false;  // StartWorker and StopWorker's thread

  // Last: it goes first, before anything its tasks use.
  TaskThread worker_{"karone-uploader"};
};

}  // namespace karone
