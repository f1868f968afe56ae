#include "tests/doubles/RecordingUploaderHost.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {

void RecordingUploaderHost::record(const std::string& event) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    hook = hook_;
  }
  if (hook) hook(event);
}

void RecordingUploaderHost::clearDirectoryView() {
  {
    std::lock_guard lock(mutex_);
    view_.clear();
  }
  record("clearView");
}

void RecordingUploaderHost::addDirectoryEntry(const DirectoryViewEntry& entry) {
  {
    std::lock_guard lock(mutex_);
    view_.push_back(entry);
  }
  record("folder " + entry.name + " " + entry.size + " " + entry.date);
}

void RecordingUploaderHost::setDirectoryLabel(const std::string& directory) {
  {
    std::lock_guard lock(mutex_);
    label_ = directory;
  }
  record("label " + directory);
}

void RecordingUploaderHost::setMotionBufferCount(int count) {
  {
    std::lock_guard lock(mutex_);
    motionCount_ = count;
  }
  record("motionCount " + std::to_string(count));
}

void RecordingUploaderHost::setStillBufferCount(int count) {
  {
    std::lock_guard lock(mutex_);
    stillCount_ = count;
  }
  record("stillCount " + std::to_string(count));
}

void RecordingUploaderHost::showProgress(bool visible) {
  record(visible ? "showProgress" : "hideProgress");
}

void RecordingUploaderHost::setProgress(int percent) {
  record("progress " + std::to_string(percent));
}

bool RecordingUploaderHost::isCapturing() {
  std::lock_guard lock(mutex_);
  return capturing_;
}

int RecordingUploaderHost::captureMode() {
  std::lock_guard lock(mutex_);
  return mode_;
}

int RecordingUploaderHost::bufferClipLimit() {
  std::lock_guard lock(mutex_);
  return clipLimit_;
}

int RecordingUploaderHost::framesPerStrip() {
  std::lock_guard lock(mutex_);
  return framesPerStrip_;
}

int RecordingUploaderHost::framesPerSecond() {
  std::lock_guard lock(mutex_);
  return framesPerSecond_;
}

Caption RecordingUploaderHost::caption() {
  std::lock_guard lock(mutex_);
  return caption_;
}

bool RecordingUploaderHost::isAutoStartProfile(const std::string& profileName) {
  std::lock_guard lock(mutex_);
  return !autoStartProfile_.empty() && autoStartProfile_ == profileName;
}

void RecordingUploaderHost::setAutoStartProfile(const std::string& profileName) {
  std::lock_guard lock(mutex_);
  autoStartProfile_ = profileName;
}

void RecordingUploaderHost::OnUploadDone() { record("OnUploadDone"); }
void RecordingUploaderHost::OnSessionOpened(bool ok) {
  record(ok ? "sessionOpened 1" : "sessionOpened 0");
}
void RecordingUploaderHost::OnDisconnected() { record("OnDisconnected"); }

void RecordingUploaderHost::startStopSending() {
  {
    std::lock_guard lock(mutex_);
    capturing_ = !capturing_;
  }
  record("startStopSending");
}

void RecordingUploaderHost::StopAndDisconnect() {
  {
    std::lock_guard lock(mutex_);
    capturing_ = false;
  }
  record("StopAndDisconnect");
}

void RecordingUploaderHost::StartReconnectCountdown() { record("StartReconnectCountdown"); }
void RecordingUploaderHost::StopReconnectCountdown() { record("StopReconnectCountdown"); }
void RecordingUploaderHost::hangUp() { record("hangUp"); }
void RecordingUploaderHost::resetIdleSeconds() { record("resetIdle"); }
void RecordingUploaderHost::ClearStopping() { record("ClearStopping"); }

PromptAnswer RecordingUploaderHost::ask(const std::string& text, const std::string& caption,
                                        PromptButtons buttons, PromptIcon icon) {
  auto answer = prompter_.ask(text, caption, buttons, icon);
  record("ask " + text);
  return answer;
}

void RecordingUploaderHost::setCapturing(bool capturing) {
  std::lock_guard lock(mutex_);
  capturing_ = capturing;
}

void RecordingUploaderHost::setCaptureMode(int mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
}

void RecordingUploaderHost::setBufferClipLimit(int limit) {
  std::lock_guard lock(mutex_);
  clipLimit_ = limit;
}

void RecordingUploaderHost::setFrameSettings(int framesPerStrip, int framesPerSecond) {
  std::lock_guard lock(mutex_);
  framesPerStrip_ = framesPerStrip;
  framesPerSecond_ = framesPerSecond;
}

void RecordingUploaderHost::setCaption(const Caption& caption) {
  std::lock_guard lock(mutex_);
  caption_ = caption;
}

void RecordingUploaderHost::queueAnswer(PromptAnswer answer) { prompter_.queueAnswer(answer); }

void RecordingUploaderHost::onEvent(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<std::string> RecordingUploaderHost::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingUploaderHost::eventsOf(const std::string& word) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : events_) {
    if (e == word || e.rfind(word + " ", 0) == 0) out.push_back(e);
  }
  return out;
}

int RecordingUploaderHost::count(const std::string& event) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const auto& e : events_) n += e == event ? 1 : 0;
  return n;
}

std::vector<DirectoryViewEntry> RecordingUploaderHost::directoryView() const {
  std::lock_guard lock(mutex_);
  return view_;
}

std::string RecordingUploaderHost::directoryLabel() const {
  std::lock_guard lock(mutex_);
  return label_;
}

int RecordingUploaderHost::motionBufferCount() const {
  std::lock_guard lock(mutex_);
  return motionCount_;
}

int RecordingUploaderHost::stillBufferCount() const {
  std::lock_guard lock(mutex_);
  return stillCount_;
}

std::vector<RecordingPrompter::Prompt> RecordingUploaderHost::prompts() const {
  return prompter_.prompts();
}

void RecordingUploaderHost::clearEvents() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

}  // namespace karone
