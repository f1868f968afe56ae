// The dialogs seam on real dialogs: each call returns when its dialog has
// closed, with what was entered.
#include "app/ui/QtDialogs.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>

#include "platform/VideoProcAmp.h"
#include "tests/doubles/FakeSchedulerContext.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/doubles/SimulatedDialupService.h"
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

class QtDialogsTest : public ::testing::Test {
 protected:
  QWidget owner_;
  RecordingPrompter prompter_;
  SimulatedDialupService dialup_;
  FakeClock clock_;
  FakeTimerQueue timers_{clock_};
  QtDialogs dialogs_{&owner_, prompter_, dialup_, timers_};
};

TEST_F(QtDialogsTest, RunsTheColourSettingsAndTheAboutBoxModally) {
  FixedAmp amp;
  QString title;
  whenModalShows([&](QWidget& w) {
    title = w.windowTitle();
    w.findChild<QSlider*>("brightnessSlider")->setValue(70);
    w.findChild<QPushButton*>("okButton")->click();
  });
  dialogs_.showColourSettings(amp);
  EXPECT_EQ(title, QString::fromUtf8("色設定"));
  EXPECT_EQ(amp.values[0], 70);

  QString about;
  whenModalShows([&](QWidget& w) {
    about = w.objectName();
    w.findChild<QPushButton*>("okButton")->click();
  });
  dialogs_.showAbout();
  EXPECT_EQ(about, "aboutDialog");
}

TEST_F(QtDialogsTest, TheProfileDialogGivesTheEnteredProfileOrNothing) {
  dialup_.addEntry("mobile");
  ProfileEditRequest request;
  request.title = "FTPプロファイル追加";
  whenModalShows([](QWidget& w) {
    w.findChild<QLineEdit*>("nameEdit")->setText("site");
    w.findChild<QLineEdit*>("addressEdit")->setText("ftp.example.test");
    w.findChild<QLineEdit*>("userEdit")->setText("user");
    w.findChild<QLineEdit*>("passwordEdit")->setText("secret");
    w.findChild<QLineEdit*>("directoryEdit")->setText("/live");
    w.findChild<QPushButton*>("okButton")->click();
  });
  const std::optional<ProfileInfo> added = dialogs_.editProfile(request);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->name, "site");
  EXPECT_EQ(added->port, 21);
  EXPECT_EQ(added->dialupEntry, "mobile");

  request.title = "FTPプロファイル修正";
  request.profile = *added;
  request.prefilled = true;
  request.restricted = true;
  bool nameLocked = false;
  QString title;
  whenModalShows([&](QWidget& w) {
    title = w.windowTitle();
    nameLocked = !w.findChild<QLineEdit*>("nameEdit")->isEnabled();
    w.findChild<QPushButton*>("cancelButton")->click();
  });
  EXPECT_FALSE(dialogs_.editProfile(request));
  EXPECT_EQ(title, "FTPプロファイル修正");
  EXPECT_TRUE(nameLocked);
}

TEST_F(QtDialogsTest, CaptureSettingsChangeOnlyOnOk) {
  CaptureSettings values;
  values.quality = 80;
  values.framesPerStrip = 12;
  whenModalShows([](QWidget& w) {
    w.findChild<QSpinBox*>("qualitySpin")->setValue(60);
    w.findChild<QPushButton*>("cancelButton")->click();
  });
  EXPECT_FALSE(dialogs_.editCaptureSettings(values, {"camera"}));
  EXPECT_EQ(values.quality, 80);
  EXPECT_EQ(values.framesPerStrip, 12);

  whenModalShows([](QWidget& w) {
    w.findChild<QSpinBox*>("qualitySpin")->setValue(60);
    w.findChild<QPushButton*>("okButton")->click();
  });
  EXPECT_TRUE(dialogs_.editCaptureSettings(values, {"camera"}));
  EXPECT_EQ(values.quality, 60);
  EXPECT_EQ(values.framesPerStrip, 6);
}

TEST_F(QtDialogsTest, TheSchedulerListsTheContextsEntries) {
  FakeSchedulerContext context(1796688000);
  ScheduleInfo entry;
  entry.name = "morning";
  entry.start = 1796688000 + 3600;
  entry.end = entry.start + 3600;
  context.dataStore().addSchedule(entry);
  int rows = -1;
  whenModalShows([&](QWidget& w) {
    rows = w.findChild<QTableWidget*>("scheduleList")->rowCount();
    w.findChild<QPushButton*>("okButton")->click();
  });
  dialogs_.showScheduler(context);
  EXPECT_EQ(rows, 1);
}

}  // namespace
}  // namespace karone
