#include "capture/CaptureSettingsForm.h"

#include "platform/Prompter.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// Frames per second in motion mode and frames per strip per frame rate.
constexpr int kFrameRate = 1;
constexpr int kFramesPerStripPerRate = kDefaultFramesPerStrip;
// "10 分" is the tenth entry of the minutes list.
constexpr int kFirstTenMinutesIndex = 9;

}  // namespace

std::vector<std::string> stillPeriodEntries(int unit) {
  std::vector<std::string> entries;
  switch (unit) {
    case StillSeconds:
      for (int s = 30; s <= 55; s += 5) entries.push_back(formatText(Text::StillEntrySeconds, s));
      break;
    case StillMinutes:
      for (int m = 1; m <= 59; ++m) {
        entries.push_back(m == 22 ? text(Text::StillEntryMinute22)
                                  : formatText(Text::StillEntryMinutes, m));
      }
      break;
    case StillHours:
      for (int h = 1; h <= 23; ++h) entries.push_back(formatText(Text::StillEntryHours, h));
      break;
    default:
      break;
  }
  return entries;
}

bool autoStartAllowed(int mode, int stillUnit, int stillIndex, int profileCount) {
  if (mode != 1 || profileCount < 1) return false;
  if (stillUnit == StillMinutes) return stillIndex >= kFirstTenMinutesIndex;
  return stillUnit == StillHours;
}

StillChoice openingStillChoice(int storedUnit, int storedIndex) {
  if (storedUnit < 0 || storedUnit >= kStillUnitCount) return {StillSeconds, 0};
  const int count = static_cast<int>(stillPeriodEntries(storedUnit).size());
  if (storedIndex < 0 || storedIndex >= count) return {storedUnit, 0};
  return {storedUnit, storedIndex};
}

std::optional<CaptureSettings> confirmCaptureSettings(const CaptureSettings& before,
                                                      const CaptureSettingsChoice& choice,
                                                      Prompter& prompter) {
  CaptureSettings after = before;
  if (autoStartAllowed(choice.mode, choice.stillUnit, choice.stillIndex, choice.profileCount) &&
      choice.autoStartChecked) {
    if (!choice.autoStartProfile) {
      prompter.ask(text(Text::AutoStartNoProfile), text(Text::CaptureSettingsCaption),
                   PromptButtons::Ok, PromptIcon::Warning);
      return std::nullopt;
    }
    after.autoReconnect = true;
    after.autoReconnectProfile = *choice.autoStartProfile;
  } else {
    after.autoReconnect = false;
    after.autoReconnectProfile.clear();
  }
  after.mode = choice.mode;
  after.frameRate = kFrameRate;
  after.framesPerStrip = kFrameRate * kFramesPerStripPerRate;
  after.quality = choice.quality;
  after.stillUnit = choice.stillUnit;
  after.stillIndex = choice.stillIndex;
  after.keepOldImages = choice.keepOldImages;
  return after;
}

}  // namespace karone
