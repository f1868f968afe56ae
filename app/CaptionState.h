#pragma once
// The caption of the broadcast: the text entered last, the colour chosen in
// the list, and the prompt the entry shows until the operator first uses
// it. Every change is shown in the window's caption row; caption() is what
// the status page publishes.
//
// Threads: the controller's thread only (checked where the window's
// commands enter, ControllerThread::step).
#include <string>

#include "app/MainView.h"
#include "ftp/UploadContext.h"

namespace karone {

class CaptionState {
 public:
  explicit CaptionState(MainView& view) : view_(view) {}

  // From the settings at start: the colour (out of range: the first) and
  // the prompt in the entry.
  void reset(int colourIndex);

  void colourChanged(int index);
  // Enter in the entry: longer texts are cut at a character boundary. The
  // prompt is never taken as a caption: Enter while it is still shown only
  // removes it, and a text that is the prompt (whole or cut to the entry's
  // limit) is not added.
  void entered(const std::string& text);
  void clear();
  // The operator's first use of the entry (focus by mouse or keyboard, a
  // press, a key): true (once) when the prompt must be removed.
  bool entryUsed();

  Caption caption() const;
  int colourIndex() const { return colourIndex_; }

 private:
  static bool isPrompt(const std::string& entered);

  MainView& view_;
  std::string text_;
  int colourIndex_ = 0;
  bool promptShown_ = true;
};

}  // namespace karone
