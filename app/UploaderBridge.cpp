#include "app/UploaderBridge.h"

#include "ftp/FtpUploader.h"

namespace karone {

UploaderBridge::UploaderBridge(TaskRunner& runner, MainView& view, Prompter& prompter,
                               RunSnapshot& snapshot, UploaderEvents& events)
    : runner_(runner),
      view_(view),
      prompter_(prompter),
      snapshot_(snapshot),
      events_(events),
      attached_(std::make_shared<std::atomic<bool>>(true)) {}

UploaderBridge::~UploaderBridge() { detach(); }

void UploaderBridge::detach() {
  *attached_ = false;
  waits_.cancel();
}

void UploaderBridge::toView(std::function<void(MainView&)> change) {
  auto attached = attached_;
  MainView* view = &view_;
  runner_.post([attached, view, change = std::move(change)] {
    if (*attached) change(*view);
  });
}

void UploaderBridge::toController(std::function<void(UploaderEvents&)> call) {
  auto attached = attached_;
  UploaderEvents* events = &events_;
  runner_.post([attached, events, call = std::move(call)] {
    if (*attached) call(*events);
  });
}

void UploaderBridge::clearDirectoryView() {
  toView([](MainView& v) { v.clearDirectoryView(); });
}
void UploaderBridge::addDirectoryEntry(const DirectoryViewEntry& entry) {
  toView([entry](MainView& v) { v.addDirectoryEntry(entry); });
}
void UploaderBridge::setDirectoryLabel(const std::string& directory) {
  toView([directory](MainView& v) { v.setDirectoryLabel(directory); });
}
void UploaderBridge::setMotionBufferCount(int count) {
  toView([count](MainView& v) { v.setMotionBufferCount(count); });
}
void UploaderBridge::setStillBufferCount(int count) {
  toView([count](MainView& v) { v.setStillBufferCount(count); });
}
void UploaderBridge::showProgress(bool visible) {
  toView([visible](MainView& v) { v.showProgressWindow(visible); });
}
void UploaderBridge::setProgress(int percent) {
  toView([percent](MainView& v) { v.setProgressWindowPercent(percent); });
}

bool UploaderBridge::isCapturing() { return snapshot_.get().capturing; }
int UploaderBridge::captureMode() { return snapshot_.get().captureMode; }
int UploaderBridge::bufferClipLimit() { return snapshot_.get().bufferClipLimit; }
int UploaderBridge::framesPerStrip() { return snapshot_.get().framesPerStrip; }
int UploaderBridge::framesPerSecond() { return snapshot_.get().framesPerSecond; }
Caption UploaderBridge::caption() { return snapshot_.get().caption; }
bool UploaderBridge::isAutoStartProfile(const std::string& profileName) {
  const RunSnapshot::Values v = snapshot_.get();
  return v.autoStart && v.captureMode == 1 && v.autoStartProfile == profileName;
}

void UploaderBridge::OnUploadDone() {
  // The stopped page goes out here, on the worker, right after the upload,
  // while nothing else uses the connection.
  if (uploader_ != nullptr && !snapshot_.get().capturing) uploader_->UploadStoppedStatus();
  toController([](UploaderEvents& e) { e.OnUploadDone(); });
}
void UploaderBridge::OnSessionOpened(bool ok) {
  toController([ok](UploaderEvents& e) { e.OnSessionOpened(ok); });
}
void UploaderBridge::OnDisconnected() {
  toController([](UploaderEvents& e) { e.OnDisconnected(); });
}
void UploaderBridge::startStopSending() {
  auto attached = attached_;
  UploaderEvents* events = &events_;
  // The uploader looks at isCapturing() right after this: wait until the
  // window thread has tried to start (the snapshot is current then).
  waitForReply<bool>(runner_, [attached, events](std::function<void(bool)> reply) {
    if (!*attached) return;
    events->startStopSendingThen([reply] { reply(true); });
  }, &waits_);
}
void UploaderBridge::StopAndDisconnect() {
  toController([](UploaderEvents& e) { e.StopAndDisconnect(); });
}
void UploaderBridge::StartReconnectCountdown() {
  toController([](UploaderEvents& e) { e.StartReconnectCountdown(); });
}
void UploaderBridge::StopReconnectCountdown() {
  toController([](UploaderEvents& e) { e.StopReconnectCountdown(false); });
}
void UploaderBridge::hangUp() {
  toController([](UploaderEvents& e) { e.hangUpAfterUploader(); });
}
void UploaderBridge::resetIdleSeconds() {
  toController([](UploaderEvents& e) { e.resetIdleSeconds(); });
}
void UploaderBridge::ClearStopping() {
  toController([](UploaderEvents& e) { e.ClearStopping(); });
}

PromptAnswer UploaderBridge::ask(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon) {
  auto attached = attached_;
  Prompter* prompter = &prompter_;
  std::optional<PromptAnswer> answer = runAndWait<PromptAnswer>(
      runner_, [attached, prompter, text, caption, buttons, icon] {
        if (!*attached) return PromptAnswer::Cancel;
        return prompter->ask(text, caption, buttons, icon);
      }, &waits_);
  // Nobody could answer (the window has gone): the cautious answer.
  if (!answer) return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
  return *answer;
}

}  // namespace karone
