#pragma once
// The one FTP session of the program and everything that talks to the
// server: connect and disconnect with the active profile, upload each
// picture, publish the status page, keep the server's strip buffer within
// the profile's limit, list and navigate the remote directory, delete the
// buffer files, and recover from failed uploads by reconnecting.
//
// Threads: callers on any thread queue commands (queue*); one worker thread
// executes them strictly in order. The queue is guarded by one Mutex held
// only while a command is linked or unlinked; a CountingSemaphore wakes the
// worker. CheckSession and UploadStoppedStatus run on the caller's thread and
// must only be called while IsIdle() (the connection allows one operation at
// a time). The host is called on the worker thread.
//
// Waits (the 5 seconds between reconnection attempts) go through the given
// Sleeper. Errors never escape: failures are logged and reported to the host.
//
// Nothing half-done stays on the server: the status page is only renamed
// into place once its upload succeeded (otherwise the published page stays
// and the failure is logged); a strip whose upload failed is deleted again
// while the server still answers; and the first strip of every session
// (connect, reconnect, recovery) also deletes the strips earlier sessions
// left outside the window or unfinished (staleStrips in RemoteNames), using
// the strip the page on the server named before it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/threads/CountingSemaphore.h"
#include "ftp/EventLog.h"
#include "platform/threads/Mutex.h"
#include "ftp/RemoteNames.h"
#include "ftp/UploaderHost.h"
#include "platform/threads/WorkerThread.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "schedule/DataStore.h"
#include "schedule/ProfileInfo.h"

namespace karone {

// Command codes of the queue.
enum class UploadCode : std::int32_t {
  Connect = 100,
  Disconnect = 101,
  UploadFrame = 102,
  EndSession = 103,
  ChangeDirectory = 104,
  DeleteAllBuffers = 105,
  DeleteOldestFrame = 107,
  Reconnect = 108,
  DisconnectAndHangUp = 109,
  // Ours: the session check and the stopped page on the worker, so that the
  // window thread never waits for the server.
  CheckSession = 110,
  StoppedStatus = 111,
  Quit = 200,
};

// One picture to upload. It travels in its command, so a caller that does
// not wait for OnUploadDone cannot overwrite a request still queued.
struct FrameRequest {
  int captureMode = 0;     // 0 motion, 1 still
  std::string localPath;   // the JPEG; its file name is the remote name
  bool keepPrevious = false;  // still mode: keep the previous picture as a backup
  std::string backupPrefix = std::string(kStillBackupPrefix);
  std::uint32_t runningNumber = 0;
};

class FtpUploader {
 public:
  static constexpr int kMaxReconnectTries = 10;
  static constexpr std::int64_t kReconnectPauseMillis = 5000;
  static constexpr const char* kAgent = "TamblorFTP";

  struct Parts {
    FtpClient& client;
    UploaderHost& host;
    EventLog& log;
    Sleeper& sleeper;
    // Folder of the local copy of the status page, ending with '/'.
    std::string statusDirectory;
    // The profiles passed through to the window (may be null: no profiles).
    DataStore* store = nullptr;
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
  // Stops the worker; commands still queued are dropped unexecuted.
  ~FtpUploader();
  FtpUploader(const FtpUploader&) = delete;
  FtpUploader& operator=(const FtpUploader&) = delete;

  // Starts the worker thread (true at once when it runs already).
  bool StartWorker();
  // Queues Quit and waits for the worker to end.
  void StopWorker();

  // --- Requests (any thread) ---
  void QueueConnect();
  void QueueReconnect();
  void QueueDisconnect();
  void QueueDisconnectAndHangUp();
  void QueueEndSession();
  void QueueDeleteAllBuffers();
  void QueueUploadFrame(const FrameRequest& frame);
  // An item of the directory view: only folders (image index 0) are entered.
  void QueueChangeDirectory(const std::string& itemText, int imageIndex);
  void QueueGoUp();
  // CheckSession on the worker, in queue order; `done` gets its result on
  // the worker thread (it is not called for a command dropped unexecuted).
  void QueueCheckSession(bool withLog, std::function<void(bool alive)> done);
  // UploadStoppedStatus on the worker, in queue order.
  void QueueStoppedStatus();
  // Any code; unknown codes are consumed without effect.
  void queueCode(std::int32_t code);

  // --- Direct operations (caller's thread) ---
  void SetProfile(const ProfileInfo& profile);
  ProfileInfo profile() const;
  bool IsConnected() const;
  // Nothing queued and nothing running: only then may the caller's thread
  // use the connection directly (CheckSession, UploadStoppedStatus).
  bool IsIdle() const;
  // Lists the current directory: true when the server answered.
  bool CheckSession(bool withLog);
  // Writes and publishes the stopped status page.
  void UploadStoppedStatus();
  void Log(const std::string& message);
  bool OpenLog();
  void CloseLog();

  // --- Profiles (caller's thread, the window's) ---
  bool LoadProfiles();   // makes the data file when missing, then reads it
  bool SaveProfiles();
  std::vector<std::string> profileNames() const;  // in store order
  bool FindProfile(const std::string& name, ProfileInfo& out) const;
  bool ProfileExists(const std::string& name) const;
  void AddProfile(const ProfileInfo& profile);
  bool ModifyProfile(const std::string& formerName, const ProfileInfo& profile);
  // Refused, with a message to the operator, while a schedule or the
  // automatic start uses the profile. True when it was deleted.
  bool DeleteProfile(const ProfileInfo& profile);

  // Blocks until every command queued so far (and those they queue) has
  // run. For command-line tools and tests; never from the worker.
  void waitUntilDone();

  // What the last listing found, and the recovery state.
  int motionBufferCount() const { return motionCount_; }
  int stillBufferCount() const { return stillCount_; }
  int retryCount() const { return retries_; }
  // How many running status pages could not be published so far (the page
  // on the server then stays as it was).
  int statusPageFailures() const { return pageFailures_; }

 private:
  struct Command {
    std::int32_t code = 0;
    FrameRequest frame;      // UploadFrame
    std::string directory;   // ChangeDirectory
    bool withLog = false;    // CheckSession
    std::function<void(bool)> checked;  // CheckSession
  };

  static void workerRoutine(void* self);
  void workerLoop();
  void enqueue(std::unique_ptr<Command> command);
  std::unique_ptr<Command> takeCommand();
  bool execute(const Command& command);  // false for Quit
  void finishedOne();

  bool connect(bool reconnect);
  bool openSession(const ProfileInfo& profile);  // log, connect, report
  void enterUploadDirectory(const ProfileInfo& profile);
  void disconnect();
  void uploadFrame(const FrameRequest& frame);
  void recoverFromUploadFailure();
  void listDirectory(bool withLog);
  void deleteOldestFrame();
  void deleteAllBuffers();
  void clearMotionBuffers();
  int deletionPass(BulkDeletion form, bool logEachFile);
  void endSession();
  void changeDirectory(const std::string& directory);
  bool publishRunningPage(const std::string& frameName);
  std::optional<std::uint32_t> publishedStripOnServer();
  void sweepStaleStrips();
  std::string statusFilePath() const;

  FtpClient& client_;
  UploaderHost& host_;
  EventLog& log_;
  Sleeper& sleeper_;
  std::string statusDirectory_;
  DataStore* store_;

  CountingSemaphore wakeUp_;
  Mutex queueLock_;
  std::deque<std::unique_ptr<Command>> queue_;
  std::unique_ptr<WorkerThread> worker_;

  // Commands queued and not yet finished, for waitUntilDone.
  mutable std::mutex doneMutex_;
  std::condition_variable doneChanged_;
  std::int64_t outstanding_ = 0;

  mutable std::mutex profileMutex_;
  ProfileInfo profile_;

  // Worker state.
  std::string previousLocalPath_;
  std::string currentLocalPath_;
  std::string lastUploadedFrame_;
  // Set when a session opens: the first strip after it also clears what
  // earlier sessions left behind (see sweepStaleStrips).
  bool sweepPending_ = false;
  std::optional<std::uint32_t> publishedBefore_;  // the page's strip before it
  std::atomic<int> pageFailures_{0};
  std::atomic<int> retries_{0};
  std::atomic<int> motionCount_{0};
  std::atomic<int> stillCount_{0};
  std::atomic<bool> idle_{true};
};

}  // namespace karone
