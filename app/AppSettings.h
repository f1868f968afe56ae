#pragma once
// The operator's settings that survive a restart: fourteen 32-bit integers
// and two texts, each stored as one named value of the settings key. The
// texts are UTF-8 here and hold at most 255 bytes of their code-page-932
// form (the fields were 256-byte buffers).
#include <cstdint>
#include <string>

#include "platform/CaptureDefaults.h"

namespace karone {

struct AppSettings {
  std::int32_t iLastSelSiteInfoIndex = 0;  // selected profile line at exit
  std::int32_t iCaptureMode = 0;           // 0 motion, 1 still
  std::int32_t iCaptureFPS = 1;
  std::int32_t iCmprQuality = kDefaultJpegQuality;    // JPEG quality 1..99
  std::int32_t iBufferSize = kDefaultFramesPerStrip;  // frames per motion strip
  std::int32_t iStillCaptType = 0;         // 0 seconds, 1 minutes, 2 hours list
  std::int32_t iStillCaptTypeIndex = 0;
  std::int32_t iImageWidth = kDefaultImageWidth;
  std::int32_t iImageHeight = kDefaultImageHeight;
  std::int32_t iVideoSource = 0;
  std::int32_t iIndexFrgSubtitleColor = 0;
  std::int32_t dwUniqueRunningNum = 0;     // stored as unsigned
  std::int32_t bBackupPrevImage = 0;
  std::int32_t bAutoShutAndRecon = 0;
  std::string strSRFTPProfile;
  std::string strLastCaptureDevice;

  bool operator==(const AppSettings&) const = default;
};

// The most code-page-932 bytes a settings text holds.
inline constexpr std::size_t kSettingsTextMax = 255;

// The still-mode interval in seconds for a list type (0 seconds list 30..55,
// 1 minutes list 1..59, 2 hours list 1..23) and index; 0 when out of range.
int stillIntervalSeconds(int type, int index);

}  // namespace karone
