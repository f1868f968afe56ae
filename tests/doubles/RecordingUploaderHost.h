#pragma once
// An UploaderHost that answers from settable values and records every call
// as one line ("OnUploadDone", "sessionOpened 1", "motionCount 3", ...), for
// tests and for the command-line tool, which has no window.
//
// The run-controller reactions are modelled just enough for the uploader's
// loops: startStopSending toggles capturing, StopAndDisconnect stops it.
// A hook set with onEvent runs after each recorded call (outside the lock).
//
// Threads: any thread; every member takes the object's lock.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/UploaderHost.h"
#include "platform/Prompter.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {

class RecordingUploaderHost final : public UploaderHost {
 public:
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

  // --- The answers ---
  void setCapturing(bool capturing);
  void setCaptureMode(int mode);
  void setBufferClipLimit(int limit);
  void setFrameSettings(int framesPerStrip, int framesPerSecond);
  void setCaption(const Caption& caption);
  void setAutoStartProfile(const std::string& profileName);
  void queueAnswer(PromptAnswer answer);
  void onEvent(std::function<void(const std::string& event)> hook);

  // --- What happened ---
  std::vector<std::string> events() const;
  // Events starting with the given word (e.g. "motionCount").
  std::vector<std::string> eventsOf(const std::string& word) const;
  int count(const std::string& event) const;
  std::vector<DirectoryViewEntry> directoryView() const;
  std::string directoryLabel() const;
  int motionBufferCount() const;
  int stillBufferCount() const;
  std::vector<RecordingPrompter::Prompt> prompts() const;
  void clearEvents();

 private:
  void record(const std::string& event);

  mutable std::mutex mutex_;
  bool capturing_ = false;
  int mode_ = 0;
  int clipLimit_ = 10;
  int framesPerStrip_ = 6;
  int framesPerSecond_ = 1;
  Caption caption_;
  std::string autoStartProfile_;
  RecordingPrompter prompter_;
  std::function<void(const std::string&)> hook_;
  std::vector<std::string> events_;
  std::vector<DirectoryViewEntry> view_;
  std::string label_;
  int motionCount_ = 0;
  int stillCount_ = 0;
};

}  // namespace karone
