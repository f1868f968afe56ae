#pragma once
// The modal dialogs the main window and the capture window open, as one
// seam: the Qt layer runs the real dialogs; tests fill in answers. Each call
// returns when the dialog has closed.
//
// Threads: window thread only.
#include <optional>
#include <string>
#include <vector>

#include "schedule/SchedulerContext.h"
#include "capture/CaptureSettings.h"
#include "schedule/ProfileInfo.h"

namespace karone {

class VideoProcAmp;

// How the FTP profile dialog is opened.
struct ProfileEditRequest {
  std::string title;           // "FTPプロファイル追加" / "FTPプロファイル修正"
  ProfileInfo profile;         // prefilled values (empty for a new profile)
  bool prefilled = false;      // show `profile` (modify, or add again after a refusal)
  bool restricted = false;     // in use: name and dial-up fields locked
};


class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The FTP profile dialog: the entered profile, or nullopt on Cancel.
  virtual std::optional<ProfileInfo> editProfile(const ProfileEditRequest& request) = 0;
  // The capture settings dialog, with the site names of the FTP profiles
  // for the automatic start: true (values replaced) on OK.
  virtual bool editCaptureSettings(CaptureSettings& values,
                                   const std::vector<std::string>& profileNames) = 0;
  // The scheduler with its list, edit and info dialogs.
  virtual void showScheduler(SchedulerContext& context) = 0;
  // Brightness and contrast of the running device ("色設定").
  virtual void showColourSettings(VideoProcAmp& procAmp) = 0;
  // Our own: add and remove network cameras (none without a window).
  virtual void showNetworkCameras() {}
  // "バージョン情報".
  virtual void showAbout() = 0;
};

}  // namespace karone
