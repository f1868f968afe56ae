#pragma once
// The uploader's host in the program: the bridge between the uploader's
// worker thread and the window thread. Control changes and notifications
// are posted to the window thread; what the worker must know at once it
// reads from the run controller's published snapshot; a question to the
// operator waits for the answer, which the window thread gives; starting
// capture after a timed reconnect waits until the window thread has tried.
//
// Threads: the UploaderHost calls come from the uploader's worker (or, for
// the direct operations, from the window thread itself); everything they
// cause runs on the task runner's thread. Posted work is dropped once
// detach() has run on that thread.
#include <functional>
#include <memory>
#include <string>

#include "app/MainView.h"
#include "app/RunSnapshot.h"
#include "ftp/UploaderHost.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"

namespace karone {

class FtpUploader;

// The run controller's side of the uploader's notifications (window thread).
class UploaderEvents {
 public:
  virtual ~UploaderEvents() = default;
  virtual void OnUploadDone() = 0;
  virtual void OnSessionOpened(bool ok) = 0;
  virtual void OnDisconnected() = 0;
  // Start/stop sending as the uploader's timed reconnect asks; `done` runs
  // once the start has been tried (perhaps after a timer step).
  virtual void startStopSendingThen(std::function<void()> done) = 0;
  virtual void StopAndDisconnect() = 0;
  virtual void StartReconnectCountdown() = 0;
  virtual void StopReconnectCountdown(bool announce) = 0;
  virtual void hangUpAfterUploader() = 0;
  virtual void ClearStopping() = 0;
  virtual void resetIdleSeconds() = 0;
};

class UploaderBridge final : public UploaderHost {
 public:
  UploaderBridge(TaskRunner& runner, MainView& view, Prompter& prompter, RunSnapshot& snapshot,
                 UploaderEvents& events);
  ~UploaderBridge() override;

  // The uploader whose stopped page the worker publishes after an upload
  // when capture has stopped (set once, before the worker starts).
  void setUploader(FtpUploader* uploader) { uploader_ = uploader; }
  // Window thread: nothing posted runs after this, and a worker waiting for
  // the window thread (a question, a start) is released with the cautious
  // answer, so that the worker can be joined.
  void detach();

  // --- UploaderHost ---
  void clearDirectoryView() override;
  void addDirectoryEntry(const DirectoryViewEntry& entry) override;
  void setDirectoryLabel(const std::string& directory) override;
  void setMotionBufferCount(int count) override;
  void setStillBufferCount(int count) override;
  void showProgress(bool visible) override;
  void setProgress(int percent) override;
  bool isCapturing() override;
  int captureMode() override;
  int bufferClipLimit() override;
  int framesPerStrip() override;
  int framesPerSecond() override;
  Caption caption() override;
  bool isAutoStartProfile(const std::string& profileName) override;
  void OnUploadDone() override;
  void OnSessionOpened(bool ok) override;
  void OnDisconnected() override;
  void startStopSending() override;
  void StopAndDisconnect() override;
  void StartReconnectCountdown() override;
  void StopReconnectCountdown() override;
  void hangUp() override;
  void resetIdleSeconds() override;
  void ClearStopping() override;
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon) override;

 private:
  void toView(std::function<void(MainView&)> change);
  void toController(std::function<void(UploaderEvents&)> call);

  TaskRunner& runner_;
  MainView& view_;
  Prompter& prompter_;
  RunSnapshot& snapshot_;
  UploaderEvents& events_;
  FtpUploader* uploader_ = nullptr;
  WaitCanceller waits_;
  std::shared_ptr<std::atomic<bool>> attached_;
};

}  // namespace karone
