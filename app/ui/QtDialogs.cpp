#include "app/ui/QtDialogs.h"

#include "app/ui/AboutDialog.h"
#include "capture/ui/CaptureSettingsDialog.h"
#include "capture/ui/ColorSettingsDialog.h"
#include "capture/ui/NetworkCamerasDialog.h"
#include "platform/SettingsStorage.h"
#include "ftp/ui/FtpProfileDialog.h"
#include "schedule/ui/SchedulerDialog.h"

namespace karone {

QtDialogs::QtDialogs(QWidget* parent, Prompter& prompter, DialupService& dialup,
                     TimerService& timers)
    : parent_(parent), prompter_(prompter), dialup_(dialup), timers_(timers) {}

std::optional<ProfileInfo> QtDialogs::editProfile(const ProfileEditRequest& request) {
  std::optional<ProfileInfo> prefill;
  if (request.prefilled) prefill = request.profile;
  FtpProfileDialog dialog(request.title, prefill, request.restricted, dialup_, prompter_,
                          parent_.data());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.profile();
}

bool QtDialogs::editCaptureSettings(CaptureSettings& values,
                                    const std::vector<std::string>& profileNames) {
  CaptureSettingsDialog dialog(values, profileNames, prompter_, parent_.data());
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.values();
  return true;
}

void QtDialogs::showScheduler(SchedulerContext& context) {
  SchedulerDialog dialog(context, timers_, parent_.data());
  dialog.exec();
}

void QtDialogs::showColourSettings(VideoProcAmp& procAmp) {
  ColorSettingsDialog dialog(procAmp, parent_.data());
  dialog.exec();
}

void QtDialogs::showNetworkCameras() {
  FileSettingsStorage storage;
  NetworkCamerasDialog dialog(storage, prompter_, parent_.data());
  dialog.exec();
}

void QtDialogs::showAbout() {
  AboutDialog dialog(parent_.data());
  dialog.exec();
}

}  // namespace karone
