#include "app/UploaderBridge.h"

#include <optional>
#include <variant>

#include "platform/Overloaded.h"

namespace karone {

UploaderBridge::UploaderBridge(TaskRunner& runner, MainView& view, Prompter& prompter,
                               const RunSnapshot& snapshot, UploaderEvents& events)
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

std::function<void(UploaderEvent)> UploaderBridge::eventSink() {
  return [this](UploaderEvent event) { onEvent(std::move(event)); };
}

std::function<UploadContext()> UploaderBridge::contextReader() {
  return [this] { return snapshot_.get(); };
}

FtpUploader::Requests UploaderBridge::requests() {
  return {[this](const std::string& text, const std::string& caption, PromptButtons buttons,
                 PromptIcon icon) { return ask(text, caption, buttons, icon); },
          [this] { startSending(); }};
}

void UploaderBridge::onEvent(UploaderEvent event) {
  auto attached = attached_;
  runner_.post([this, attached, event = std::move(event)] {
    if (*attached) deliver(event);
  });
}

void UploaderBridge::deliver(const UploaderEvent& event) {
  namespace ev = upload_event;
  MainView& v = view_;
  UploaderEvents& e = events_;
  std::visit(Overloaded{
                 [&](const ev::DirectoryCleared&) { v.clearDirectoryView(); },
                 [&](const ev::DirectoryEntry& x) { v.addDirectoryEntry(x.entry); },
                 [&](const ev::DirectoryLabel& x) { v.setDirectoryLabel(x.directory); },
                 [&](const ev::MotionBufferCount& x) { v.setMotionBufferCount(x.count); },
                 [&](const ev::StillBufferCount& x) { v.setStillBufferCount(x.count); },
                 [&](const ev::ProgressShown& x) { v.showProgressWindow(x.visible); },
                 [&](const ev::ProgressPercent& x) { v.setProgressWindowPercent(x.percent); },
                 [&](const ev::UploadDone&) { e.OnUploadDone(); },
                 [&](const ev::SessionOpened& x) { e.OnSessionOpened(x.ok); },
                 [&](const ev::Disconnected&) { e.OnDisconnected(); },
                 [&](const ev::StopAndDisconnect&) { e.StopAndDisconnect(); },
                 [&](const ev::StartReconnectCountdown&) { e.StartReconnectCountdown(); },
                 [&](const ev::StopReconnectCountdown&) { e.StopReconnectCountdown(false); },
                 [&](const ev::HangUp&) { e.hangUpAfterUploader(); },
                 [&](const ev::ClearStopping&) { e.ClearStopping(); },
                 [&](const ev::SessionActivity&) { e.resetIdleSeconds(); },
                 [&](const ev::StripsOnServer& x) { e.stripsOnServer(x.numbers); },
             },
             event);
}

void UploaderBridge::startSending() {
  auto attached = attached_;
  UploaderEvents* events = &events_;
  // The uploader reads the context right after this: wait until the window
  // thread has tried to start (the snapshot is current then).
  waitForReply<bool>(runner_, [attached, events](std::function<void(bool)> reply) {
    if (!*attached) return;
    events->startStopSendingThen([reply] { reply(true); });
  }, &waits_);
}

PromptAnswer UploaderBridge::ask(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon) {
  auto attached = attached_;
  Prompter* prompter = &prompter_;
  // The box opens on the window thread without a loop of its own; the
  // worker waits here for the answer.
  std::optional<PromptAnswer> answer = waitForReply<PromptAnswer>(
      runner_,
      [attached, prompter, text, caption, buttons, icon](std::function<void(PromptAnswer)> reply) {
        if (*attached) prompter->askLater(text, caption, buttons, icon, std::move(reply));
      },
      &waits_);
  // Nobody could answer (the window has gone): the cautious answer.
  if (!answer) return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
  return *answer;
}

}  // namespace karone
