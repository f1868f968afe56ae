#pragma once
// What the capture window's menu needs of the main window: the dialogs it
// opens and a line in the status monitor. (What the frame pipeline tells
// the main window goes through its PipelineHost.)
//
// Threads: window thread only.
#include <string>

namespace karone {

class VideoProcAmp;

class CaptureWindowHost {
 public:
  virtual ~CaptureWindowHost() = default;
  // "キャプチャー設定": the main window runs the capture settings dialog.
  virtual void openCaptureSettings() = 0;
  // "色設定" on the running device's brightness and contrast.
  virtual void openColourSettings(VideoProcAmp& procAmp) = 0;
  // "バージョン情報".
  virtual void openAbout() = 0;
  // Our own: the dialog that adds and removes network cameras.
  virtual void openNetworkCameras() {}
  // One line in the FTP status monitor and the event log.
  virtual void ShowStatus(const std::string& line) = 0;
};

}  // namespace karone
