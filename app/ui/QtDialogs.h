#pragma once
// The modal dialogs of the main window and the capture window, run on the
// window thread: the colour settings of the running device and the About
// box. The FTP profile, capture settings and scheduler dialogs have no
// window here yet; until they do, they answer as if cancelled.
//
// Threads: window thread.
#include <QPointer>
#include <QWidget>

#include "app/Dialogs.h"

namespace karone {

class QtDialogs final : public Dialogs {
 public:
  // parent: the window the dialogs belong to (may go away).
  explicit QtDialogs(QWidget* parent);

  std::optional<ProfileInfo> editProfile(const ProfileEditRequest& request) override;
  bool editCaptureSettings(CaptureSettings& values,
                           const std::vector<std::string>& profileNames) override;
  void showScheduler(SchedulerContext& context) override;
  void showColourSettings(VideoProcAmp& procAmp) override;
  void showAbout() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace karone
