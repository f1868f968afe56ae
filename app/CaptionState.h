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
  // Enter in the entry: longer texts are cut at a character boundary.
  void entered(const std::string& text);
  void clear();
  // A press in the entry: true (once) when the prompt must be removed.
  bool entryPressed();

  Caption caption() const;
  int colourIndex() const { return colourIndex_; }

 private:
  MainView& view_;
  std::string text_;
  int colourIndex_ = 0;
  bool promptShown_ = true;
};

}  // namespace karone
