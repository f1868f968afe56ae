#pragma once
// The uploader's environment in the program: the bridge between the
// uploader's worker thread and the window thread. The worker's events are
// posted to the window thread, where the view's go to MainView and the rest
// to the run controller (UploaderEvents); what the worker must know at once
// it reads from the run controller's published snapshot; a question to the
// operator waits for the answer, which the window thread gives; starting
// sending after a timed reconnect waits until the window thread has tried.
//
// Threads: the uploader's side (the sink, the context reader, the requests)
// is called on the uploader's worker; everything it causes runs on the task
// runner's thread, except the session activity, which resets the controller's
// idle counter at once (UploaderEvents::resetIdleSeconds takes any thread).
// Posted work is dropped once detach() has run on that thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainView.h"
#include "app/RunSnapshot.h"
#include "ftp/FtpUploader.h"
#include "ftp/UploaderEvent.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"

namespace karone {

// The run controller's side of the uploader's events (window thread).
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
  // The strips a session found in its folder at first, by number.
  virtual void stripsOnServer(const std::vector<std::uint32_t>& numbers) = 0;
};

class UploaderBridge final {
 public:
  UploaderBridge(TaskRunner& runner, MainView& view, Prompter& prompter,
                 const RunSnapshot& snapshot, UploaderEvents& events);
  ~UploaderBridge();
  UploaderBridge(const UploaderBridge&) = delete;
  UploaderBridge& operator=(const UploaderBridge&) = delete;

  // For FtpUploader::Parts: the sink, the context reader and the requests.
  // They refer to this bridge, which must outlive the uploader's worker.
  std::function<void(UploaderEvent)> eventSink();
  std::function<UploadContext()> contextReader();
  FtpUploader::Requests requests();

  // Window thread: nothing posted runs after this, and a worker waiting for
  // the window thread (a question, a start) is released with the cautious
  // answer, so that the worker can be joined.
  void detach();

 private:
  void onEvent(UploaderEvent event);
  // On the window thread.
  void deliver(const UploaderEvent& event);
  PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                   PromptIcon icon);
  void startSending();

  TaskRunner& runner_;
  MainView& view_;
  Prompter& prompter_;
  const RunSnapshot& snapshot_;
  UploaderEvents& events_;
  WaitCanceller waits_;
  std::shared_ptr<std::atomic<bool>> attached_;
};

}  // namespace karone
