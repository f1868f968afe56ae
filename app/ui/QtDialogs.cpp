#include "app/ui/QtDialogs.h"

#include "app/ui/AboutDialog.h"
#include "capture/ui/ColorSettingsDialog.h"

namespace karone {

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

std::optional<ProfileInfo> QtDialogs::editProfile(const ProfileEditRequest&) {
  return std::nullopt;
}

bool QtDialogs::editCaptureSettings(CaptureSettings&, const std::vector<std::string>&) {
  return false;
}

void QtDialogs::showScheduler(SchedulerContext&) {}

void QtDialogs::showColourSettings(VideoProcAmp& procAmp) {
  ColorSettingsDialog dialog(procAmp, parent_.data());
  dialog.exec();
}

void QtDialogs::showAbout() {
  AboutDialog dialog(parent_.data());
  dialog.exec();
}

}  // namespace karone
