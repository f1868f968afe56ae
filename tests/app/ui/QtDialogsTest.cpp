// The dialogs seam on real dialogs: each call returns when its dialog has
// closed; the dialogs that have no window yet answer as cancelled.
#include "app/ui/QtDialogs.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QSlider>

#include "platform/VideoProcAmp.h"
#include "tests/support/ui/UiDriving.h"

namespace karone {
namespace {

using testing::whenModalShows;

class FixedAmp final : public VideoProcAmp {
 public:
  std::optional<PropertyRange> range(VideoProperty) override {
    return PropertyRange{0, 100, 1, 50};
  }
  std::optional<int> get(VideoProperty p) override {
    return values[p == VideoProperty::Contrast];
  }
  bool set(VideoProperty p, int v) override {
    values[p == VideoProperty::Contrast] = v;
    return true;
  }
  int values[2] = {10, 20};
};

TEST(QtDialogs, RunsTheColourSettingsAndTheAboutBoxModally) {
  QWidget owner;
  QtDialogs dialogs(&owner);
  FixedAmp amp;
  QString title;
  whenModalShows([&](QWidget& w) {
    title = w.windowTitle();
    w.findChild<QSlider*>("brightnessSlider")->setValue(70);
    w.findChild<QPushButton*>("okButton")->click();
  });
  dialogs.showColourSettings(amp);
  EXPECT_EQ(title, QString::fromUtf8("色設定"));
  EXPECT_EQ(amp.values[0], 70);

  QString about;
  whenModalShows([&](QWidget& w) {
    about = w.objectName();
    w.findChild<QPushButton*>("okButton")->click();
  });
  dialogs.showAbout();
  EXPECT_EQ(about, "aboutDialog");
}

TEST(QtDialogs, DialogsWithoutAWindowAnswerAsCancelled) {
  QtDialogs dialogs(nullptr);
  EXPECT_FALSE(dialogs.editProfile(ProfileEditRequest{}).has_value());
  CaptureSettings values;
  values.quality = 80;
  EXPECT_FALSE(dialogs.editCaptureSettings(values, {"site"}));
  EXPECT_EQ(values.quality, 80);
}

}  // namespace
}  // namespace karone
