#include "tests/doubles/RecordingUploaderSink.h"

#include <algorithm>

#include "platform/Overloaded.h"

namespace karone {

std::function<void(UploaderEvent)> RecordingUploaderSink::eventSink() {
  return [this](UploaderEvent event) { record(std::move(event)); };
}

std::function<UploadContext()> RecordingUploaderSink::contextReader() {
  return [this] {
    std::lock_guard lock(mutex_);
    return context_;
  };
}

FtpUploader::Requests RecordingUploaderSink::requests() {
  return {[this](const std::string& text, const std::string& caption, PromptButtons buttons,
                 PromptIcon icon) { return prompter_.ask(text, caption, buttons, icon); },
          [this] {
            std::lock_guard lock(mutex_);
            context_.capturing = !context_.capturing;
          }};
}

void RecordingUploaderSink::record(UploaderEvent event) {
  std::function<void(const UploaderEvent&)> hook;
  {
    std::lock_guard lock(mutex_);
    if (std::holds_alternative<upload_event::StopAndDisconnect>(event)) {
      context_.capturing = false;
    }
    events_.push_back(event);
    hook = hook_;
  }
  if (hook) hook(event);
}

bool RecordingUploaderSink::capturing() const {
  std::lock_guard lock(mutex_);
  return context_.capturing;
}

void RecordingUploaderSink::setCapturing(bool capturing) {
  std::lock_guard lock(mutex_);
  context_.capturing = capturing;
}

void RecordingUploaderSink::setBufferClipLimit(int limit) {
  std::lock_guard lock(mutex_);
  context_.bufferClipLimit = limit;
}

void RecordingUploaderSink::setCaption(const Caption& caption) {
  std::lock_guard lock(mutex_);
  context_.caption = caption;
}

void RecordingUploaderSink::onEvent(std::function<void(const UploaderEvent&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<UploaderEvent> RecordingUploaderSink::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

int RecordingUploaderSink::count(const UploaderEvent& event) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count(events_.begin(), events_.end(), event));
}

std::vector<DirectoryViewEntry> RecordingUploaderSink::directoryView() const {
  std::vector<DirectoryViewEntry> view;
  for (const UploaderEvent& e : events()) {
    if (std::holds_alternative<upload_event::DirectoryCleared>(e)) view.clear();
    if (const auto* line = std::get_if<upload_event::DirectoryEntry>(&e)) view.push_back(line->entry);
  }
  return view;
}

void RecordingUploaderSink::clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

std::string describe(const UploaderEvent& event) {
  namespace ev = upload_event;
  auto number = [](const char* name, int n) { return std::string(name) + " " + std::to_string(n); };
  return std::visit(
      Overloaded{
          [](const ev::DirectoryCleared&) -> std::string { return "DirectoryCleared"; },
          [](const ev::DirectoryEntry& x) -> std::string {
            return "DirectoryEntry " + x.entry.name + " " + x.entry.size + " " + x.entry.date;
          },
          [](const ev::DirectoryLabel& x) { return "DirectoryLabel " + x.directory; },
          [&](const ev::MotionBufferCount& x) { return number("MotionBufferCount", x.count); },
          [&](const ev::StillBufferCount& x) { return number("StillBufferCount", x.count); },
          [&](const ev::ProgressShown& x) { return number("ProgressShown", x.visible); },
          [&](const ev::ProgressPercent& x) { return number("ProgressPercent", x.percent); },
          [](const ev::UploadDone&) -> std::string { return "UploadDone"; },
          [&](const ev::SessionOpened& x) { return number("SessionOpened", x.ok); },
          [](const ev::Disconnected&) -> std::string { return "Disconnected"; },
          [](const ev::StopAndDisconnect&) -> std::string { return "StopAndDisconnect"; },
          [](const ev::StartReconnectCountdown&) -> std::string {
            return "StartReconnectCountdown";
          },
          [](const ev::StopReconnectCountdown&) -> std::string { return "StopReconnectCountdown"; },
          [](const ev::HangUp&) -> std::string { return "HangUp"; },
          [](const ev::ClearStopping&) -> std::string { return "ClearStopping"; },
          [](const ev::SessionActivity&) -> std::string { return "SessionActivity"; },
          [&](const ev::StripsOnServer& x) {
            return number("StripsOnServer", static_cast<int>(x.numbers.size()));
          },
      },
      event);
}

}  // namespace karone
