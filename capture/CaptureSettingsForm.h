#pragma once
// The rules of the capture settings dialog that need no window: the
// entries of the three still-period lists, when the automatic start may be
// chosen, how the dialog opens from a stored record, and what OK stores.
//
// Automatic start ("自動スタート": hang up between still pictures and
// reconnect before the next) needs still mode, a period of at least ten
// minutes (the minutes list from "10 分" on, or any hours entry) and at
// least one FTP profile to use for it.
//
// On OK the record keeps its carried-through strings; the frame rate
// becomes 1 and the frames per strip 6 whatever they were; the automatic
// start is stored only when it may be chosen and is checked, and then only
// with a profile selected (else the operator is told and the dialog stays
// open); in every other case it is stored off with an empty profile name.
//
// Runs on the caller's thread (the window thread); the prompter is asked
// there.
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureSettings.h"

namespace karone {

class Prompter;

// Still period units, as stored.
enum StillUnit : int { StillSeconds = 0, StillMinutes = 1, StillHours = 2 };
inline constexpr int kStillUnitCount = 3;

// The entries of a unit's list, in order ("30 秒" … "55 秒", "1 分" …
// "59 分", "1 時間" … "23 時間"); empty for an unknown unit.
std::vector<std::string> stillPeriodEntries(int unit);

bool autoStartAllowed(int mode, int stillUnit, int stillIndex, int profileCount);

// The unit and list position a stored record opens with: a unit or
// position outside its lists opens at the first entry of the seconds list
// or of its own list, so that OK never stores a period that does not
// exist.
struct StillChoice {
  int unit = StillSeconds;
  int index = 0;
};
StillChoice openingStillChoice(int storedUnit, int storedIndex);

// What the dialog shows when OK is pressed.
struct CaptureSettingsChoice {
  int mode = 0;  // 0 motion, 1 still
  int quality = kDefaultJpegQuality;
  int stillUnit = StillSeconds;
  int stillIndex = 0;
  bool keepOldImages = false;
  bool autoStartChecked = false;
  std::optional<std::string> autoStartProfile;  // the selected site name
  int profileCount = 0;
};

// The record to store, or nothing when the dialog stays open.
std::optional<CaptureSettings> confirmCaptureSettings(const CaptureSettings& before,
                                                      const CaptureSettingsChoice& choice,
                                                      Prompter& prompter);

}  // namespace karone
