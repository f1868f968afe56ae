#pragma once
// The modal dialogs of the main window and the capture window, run on the
// window thread: the FTP profile dialog (with the phone book of the
// dial-up service), the capture settings, the scheduler with its edit and
// info dialogs (its status column on the given timers), the colour
// settings of the running device and the About box. Each call returns when
// its dialog has closed. Message boxes of the profile and capture settings
// dialogs go through the prompter; the scheduler's through its context.
//
// Threads: window thread.
#include <QPointer>
#include <QWidget>

#include "app/Dialogs.h"

namespace karone {

class DialupService;
class Prompter;
class TimerService;

class QtDialogs final : public Dialogs {
 public:
  // parent: the window the dialogs belong to (may go away). The others
  // must outlive this object.
  QtDialogs(QWidget* parent, Prompter& prompter, DialupService& dialup, TimerService& timers);

  std::optional<ProfileInfo> editProfile(const ProfileEditRequest& request) override;
  bool editCaptureSettings(CaptureSettings& values,
                           const std::vector<std::string>& profileNames) override;
  void showScheduler(SchedulerContext& context) override;
  void showColourSettings(VideoProcAmp& procAmp) override;
  void showNetworkCameras() override;
  void showAbout() override;

 private:
  QPointer<QWidget> parent_;
  Prompter& prompter_;
  DialupService& dialup_;
  TimerService& timers_;
};

}  // namespace karone
