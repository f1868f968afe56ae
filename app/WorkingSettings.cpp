#include "app/WorkingSettings.h"

namespace karone {

CaptureSettings workingSettingsFrom(const AppSettings& values) {
  CaptureSettings working;
  working.mode = values.iCaptureMode;
  working.frameRate = 1;  // whatever iCaptureFPS holds
  working.framesPerStrip = values.iBufferSize;
  working.quality = values.iCmprQuality;
  working.stillUnit = values.iStillCaptType;
  working.stillIndex = values.iStillCaptTypeIndex;
  working.keepOldImages = values.bBackupPrevImage != 0;
  working.autoReconnect = values.bAutoShutAndRecon != 0;
  working.autoReconnectProfile = values.strSRFTPProfile;
  return working;
}

AppSettings settingsAtClose(const StateAtClose& state) {
  const CaptureSettings& w = state.working;
  AppSettings v;
  v.iLastSelSiteInfoIndex = state.selectedLine;
  v.iCaptureMode = w.mode;
  v.iCaptureFPS = w.frameRate;
  v.iCmprQuality = w.quality;
  v.iBufferSize = w.framesPerStrip;
  v.iStillCaptType = w.stillUnit;
  v.iStillCaptTypeIndex = w.stillIndex;
  v.bBackupPrevImage = w.keepOldImages ? 1 : 0;
  v.bAutoShutAndRecon = w.autoReconnect ? 1 : 0;
  v.strSRFTPProfile = w.autoReconnectProfile;
  v.iImageWidth = state.pipeline.imageWidth();
  v.iImageHeight = state.pipeline.imageHeight();
  v.iVideoSource = state.pipeline.videoSource();
  v.dwUniqueRunningNum = static_cast<std::int32_t>(state.pipeline.fileCounter());
  v.strLastCaptureDevice = state.lastDeviceName;
  v.iIndexFrgSubtitleColor = state.captionColourIndex;
  return v;
}

}  // namespace karone
