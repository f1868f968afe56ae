#include "app/CaptionState.h"

#include "app/Caption.h"
#include "platform/TextCodec.h"
#include "resources/Texts.h"

namespace karone {

void CaptionState::reset(int colourIndex) {
  colourIndex_ = colourIndex >= 0 && colourIndex < kCaptionColourCount ? colourIndex : 0;
  view_.setCaptionColourIndex(colourIndex_);
  promptShown_ = true;
  view_.setCaptionEntry(text(Text::CaptionPrompt));
}

Caption CaptionState::caption() const {
  return Caption{text_, captionColourAt(colourIndex_, view_.systemTextColour())};
}

void CaptionState::colourChanged(int index) {
  if (index < 0 || index >= kCaptionColourCount) return;
  colourIndex_ = index;
}

bool CaptionState::isPrompt(const std::string& entered) {
  const std::string prompt = text(Text::CaptionPrompt);
  return entered == prompt || entered == textcodec::truncateToCp932(prompt, kCaptionMaxBytes);
}

void CaptionState::entered(const std::string& entered) {
  if (promptShown_ || isPrompt(entered)) {
    // Our own words in the entry, not the operator's: they go, nothing is
    // added and the broadcast caption stays as it was.
    promptShown_ = false;
    view_.setCaptionEntry("");
    return;
  }
  text_ = captionFits(entered) ? entered : textcodec::truncateToCp932(entered, kCaptionMaxBytes);
  promptShown_ = false;
  view_.addSubtitleLine(text_, captionColourAt(colourIndex_, view_.systemTextColour()));
  view_.setCaptionEntry(" ");
}

void CaptionState::clear() {
  text_ = " ";
  view_.addSubtitleLine(text(Text::CaptionCleared),
                        captionColourAt(colourIndex_, view_.systemTextColour()));
}

bool CaptionState::entryUsed() {
  if (!promptShown_) return false;
  promptShown_ = false;
  view_.setCaptionEntry("");
  return true;
}

}  // namespace karone
