#pragma once
// Everything the uploader needs of the main window and the capture window,
// in one interface: the controls it fills, the questions it asks about the
// capture session, the notifications it gives the run controller, and the
// operator prompts. The user interface implements it; tests implement it
// with RecordingUploaderHost.
//
// Called on the uploader's worker thread (and, for CheckSession and the
// stopped page, on whichever thread calls those). Implementations marshal
// control changes to their own thread as they need.
#include <cstdint>
#include <string>

#include "platform/Prompter.h"

namespace karone {

// A folder line of the remote directory view.
struct DirectoryViewEntry {
  std::string name;
  std::string size;  // decimal
  std::string date;  // "day/month/year"
};

struct Caption {
  std::string text;          // UTF-8, empty until a caption is entered
  std::uint32_t colour = 0;  // red in the lowest byte, then green, then blue
};

class UploaderHost {
 public:
  virtual ~UploaderHost() = default;

  // --- Controls ---
  virtual void clearDirectoryView() = 0;
  virtual void addDirectoryEntry(const DirectoryViewEntry& entry) = 0;
  virtual void setDirectoryLabel(const std::string& directory) = 0;
  virtual void setMotionBufferCount(int count) = 0;
  virtual void setStillBufferCount(int count) = 0;
  // The progress window, centred on the main window while shown.
  virtual void showProgress(bool visible) = 0;
  virtual void setProgress(int percent) = 0;

  // --- Queries ---
  virtual bool isCapturing() = 0;
  virtual int captureMode() = 0;  // 0 motion, 1 still
  // The profile's buffer clip count, or -1 when the profile keeps its buffer.
  virtual int bufferClipLimit() = 0;
  virtual int framesPerStrip() = 0;
  virtual int framesPerSecond() = 0;
  virtual Caption caption() = 0;
  // Whether the main window uses this profile for its automatic start.
  virtual bool isAutoStartProfile(const std::string& profileName) = 0;

  // --- Notifications to the run controller ---
  virtual void OnUploadDone() = 0;
  virtual void OnSessionOpened(bool ok) = 0;
  virtual void OnDisconnected() = 0;
  virtual void startStopSending() = 0;
  virtual void StopAndDisconnect() = 0;
  virtual void StartReconnectCountdown() = 0;
  virtual void StopReconnectCountdown() = 0;  // without announcement
  virtual void hangUp() = 0;                  // the dial-up link
  virtual void resetIdleSeconds() = 0;
  virtual void ClearStopping() = 0;  // capture may start again

  // --- The operator ---
  virtual PromptAnswer ask(const std::string& text, const std::string& caption,
                           PromptButtons buttons, PromptIcon icon) = 0;
};

}  // namespace karone
