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

void CaptionState::entered(const std::string& entered) {
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

bool CaptionState::entryPressed() {
  if (!promptShown_) return false;
  promptShown_ = false;
  view_.setCaptionEntry("");
  return true;
}

}  // namespace karone
