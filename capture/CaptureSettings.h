#pragma once
// The capture settings the operator changes in the capture settings dialog
// and the main window keeps as its working values: mode, frame rate,
// frames per strip, quality, still period (unit and position in the unit's
// list), keeping earlier stills, and the automatic start with its profile.
//
// A plain value; any thread.
#include <string>

#include "platform/CaptureDefaults.h"

namespace karone {

struct CaptureSettings {
  int mode = 0;            // 0 motion, 1 still (iCaptureMode)
  int frameRate = 1;       // iCaptureFPS
  int framesPerStrip = kDefaultFramesPerStrip;  // iBufferSize
  int quality = kDefaultJpegQuality;            // iCmprQuality, 1..99
  int stillUnit = 0;       // 0 seconds, 1 minutes, 2 hours (iStillCaptType)
  int stillIndex = 0;      // iStillCaptTypeIndex
  bool keepOldImages = false;   // bBackupPrevImage
  bool autoReconnect = false;   // bAutoShutAndRecon
  std::string autoReconnectProfile;  // strSRFTPProfile
  // Carried through the dialog unchanged: the dial-up entry, user and
  // password of the selected profile.
  std::string dialupEntry;
  std::string dialupUser;
  std::string dialupPassword;

  bool operator==(const CaptureSettings&) const = default;
};

}  // namespace karone
