#pragma once
// What the capture window needs of the main window beyond the frame
// pipeline's needs: the dialogs its menu opens and a line in the status
// monitor.
//
// Threads: window thread only (the pipeline's writer-thread calls are those
// of PipelineHost).
#include <string>

#include "capture/PipelineHost.h"

namespace karone {

class VideoProcAmp;

class CaptureWindowHost : public PipelineHost {
 public:
  // "キャプチャー設定": the main window runs the capture settings dialog.
  virtual void openCaptureSettings() = 0;
  // "色設定" on the running device's brightness and contrast.
  virtual void openColourSettings(VideoProcAmp& procAmp) = 0;
  // "バージョン情報".
  virtual void openAbout() = 0;
  // One line in the FTP status monitor and the event log.
  virtual void ShowStatus(const std::string& line) = 0;
};

}  // namespace karone
