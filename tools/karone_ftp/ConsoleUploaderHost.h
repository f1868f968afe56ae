#pragma once
// The uploader's host in karone-ftp, which has no window: the frame settings
// and the capture state come from the tool, control changes are dropped
// (every status line already reaches the console through the event log),
// the operator's questions are answered Ok or Yes, and whether one was asked
// is remembered (the folder warning means the profile's folder could not
// be entered).
//
// Threads: the tool's thread sets the values; the uploader's worker reads
// them. Every member is atomic or taken under the object's lock.
#include <atomic>
#include <mutex>
#include <string>

#include "ftp/UploaderHost.h"

namespace karone {

class ConsoleUploaderHost final : public UploaderHost {
 public:
  void clearDirectoryView() override {}
  void addDirectoryEntry(const DirectoryViewEntry&) override {}
  void setDirectoryLabel(const std::string&) override {}
  void setMotionBufferCount(int) override {}
  void setStillBufferCount(int) override {}
  void showProgress(bool) override {}
  void setProgress(int) override {}
  bool isCapturing() override { return capturing_; }
  int captureMode() override { return 0; }
  int bufferClipLimit() override { return clipLimit_; }
  int framesPerStrip() override { return framesPerStrip_; }
  int framesPerSecond() override { return 1; }
  Caption caption() override { return {}; }
  bool isAutoStartProfile(const std::string&) override { return false; }
  void OnUploadDone() override {}
  void OnSessionOpened(bool) override {}
  void OnDisconnected() override {}
  void startStopSending() override { capturing_ = !capturing_; }
  void StopAndDisconnect() override { capturing_ = false; }
  void StartReconnectCountdown() override {}
  void StopReconnectCountdown() override {}
  void hangUp() override {}
  void resetIdleSeconds() override {}
  void ClearStopping() override {}
  PromptAnswer ask(const std::string&, const std::string&, PromptButtons buttons,
                   PromptIcon) override {
    asked_ = true;
    return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
  }

  void setCapturing(bool capturing) { capturing_ = capturing; }
  void setBufferClipLimit(int limit) { clipLimit_ = limit; }
  void setFramesPerStrip(int frames) { framesPerStrip_ = frames; }
  bool asked() const { return asked_; }

 private:
  std::atomic<bool> capturing_{false};
  std::atomic<int> clipLimit_{10};
  std::atomic<int> framesPerStrip_{6};
  std::atomic<bool> asked_{false};
};

}  // namespace karone
