// "ｷｬﾌﾟﾁｬｰ設定" on the offscreen platform: what it shows for a stored
// record, the period lists and units, when the automatic start is offered,
// and what OK stores.
#include "capture/ui/CaptureSettingsDialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include "tests/doubles/RecordingPrompter.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

class CaptureSettingsDialogTest : public ::testing::Test {
 protected:
  std::unique_ptr<CaptureSettingsDialog> open(const CaptureSettings& values,
                                              std::vector<std::string> profiles = {"zeta", "alpha"}) {
    auto dialog = std::make_unique<CaptureSettingsDialog>(values, std::move(profiles), prompter_);
    dialog->show();
    return dialog;
  }
  template <typename T>
  static T* find(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  static QComboBox* list(QWidget& w, const char* name) { return find<QComboBox>(w, name); }
  static void ok(QWidget& w) { find<QPushButton>(w, "okButton")->click(); }

  static CaptureSettings stillEvery21Minutes() {
    CaptureSettings s;
    s.mode = 1;
    s.quality = 25;
    s.stillUnit = 1;
    s.stillIndex = 20;
    s.keepOldImages = true;
    s.autoReconnect = true;
    s.autoReconnectProfile = "alpha";
    s.frameRate = 3;
    s.framesPerStrip = 18;
    return s;
  }

  RecordingPrompter prompter_;
};

TEST_F(CaptureSettingsDialogTest, ShowsEveryControlWithItsText) {
  auto dialog = open(stillEvery21Minutes());
  EXPECT_EQ(dialog->windowTitle(), "ｷｬﾌﾟﾁｬｰ設定");
  const std::pair<const char*, const char*> texts[] = {
      {"motionRadio", "動画"},         {"stillRadio", "静止画"},
      {"qualityLabel", "圧縮品位 (1-99):"}, {"periodLabel", "更新周期："},
      {"secondsRadio", "１分以内"},     {"minutesRadio", "１時間以内"},
      {"hoursRadio", "１日以内"},       {"keepOldImagesCheck", "古い画像を保存する"},
      {"autoStartCheck", "自動スタート"}, {"autoStartProfileLabel", "FTP ﾌﾟﾛﾌｧｲﾙ:"},
      {"schedulerHint", "１日以上の間隔を空ける場合スケジューラーをご使用ください。"},
      {"okButton", "OK"},               {"cancelButton", "ｷｬﾝｾﾙ"},
  };
  for (const auto& [name, text] : texts) {
    QWidget* w = dialog->findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(w)) shown = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) shown = button->text();
    EXPECT_EQ(shown.toStdString(), text) << name;
  }
  EXPECT_EQ(find<QGroupBox>(*dialog, "modeGroup")->title(), "キャプチャーモード");
  EXPECT_EQ(find<QGroupBox>(*dialog, "stillGroup")->title(), "静止画");
  EXPECT_EQ(list(*dialog, "secondsList")->count(), 6);
  EXPECT_EQ(list(*dialog, "minutesList")->count(), 59);
  EXPECT_EQ(list(*dialog, "minutesList")->itemText(21), "22 分 ");
  EXPECT_EQ(list(*dialog, "hoursList")->count(), 23);
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "CaptureSettingsDialog").empty());
}

TEST_F(CaptureSettingsDialogTest, TheMinutesListOpensAsAFewRowsBelowTheBox) {
  auto dialog = open(stillEvery21Minutes());
  QComboBox* minutes = list(*dialog, "minutesList");
  minutes->showPopup();
  QWidget* popup = minutes->view()->window();
  ASSERT_TRUE(popup->isVisible());
  // Not a menu as tall as the screen: a scrolling list of the usual size.
  EXPECT_GE(minutes->maxVisibleItems(), 5);
  EXPECT_LE(minutes->maxVisibleItems(), 15);
  const int row = minutes->view()->sizeHintForRow(0);
  EXPECT_LE(popup->height(), (minutes->maxVisibleItems() + 1) * row);
  EXPECT_TRUE(minutes->view()->verticalScrollBar()->isVisible());
  EXPECT_FALSE(testing::renderToPng(*popup, "CaptureSettingsMinutesList").empty());
  minutes->hidePopup();
}

TEST_F(CaptureSettingsDialogTest, OpensOnTheStoredValues) {
  auto dialog = open(stillEvery21Minutes());
  QSpinBox* quality = find<QSpinBox>(*dialog, "qualitySpin");
  EXPECT_EQ(quality->value(), 25);
  EXPECT_EQ(quality->minimum(), 1);
  EXPECT_EQ(quality->maximum(), 99);
  quality->setFocus();
  QTest::keyClicks(quality, "9");
  EXPECT_EQ(quality->value(), 25) << "the edit cannot be typed into";
  quality->setValue(150);
  EXPECT_EQ(quality->value(), 99);

  EXPECT_TRUE(find<QRadioButton>(*dialog, "stillRadio")->isChecked());
  EXPECT_TRUE(find<QRadioButton>(*dialog, "minutesRadio")->isChecked());
  EXPECT_EQ(list(*dialog, "minutesList")->currentText(), "21 分");
  EXPECT_TRUE(list(*dialog, "minutesList")->isEnabled());
  EXPECT_FALSE(list(*dialog, "secondsList")->isEnabled());
  EXPECT_FALSE(list(*dialog, "hoursList")->isEnabled());
  EXPECT_TRUE(find<QCheckBox>(*dialog, "keepOldImagesCheck")->isChecked());
  EXPECT_TRUE(find<QCheckBox>(*dialog, "autoStartCheck")->isChecked());
  QComboBox* profiles = list(*dialog, "autoStartProfileList");
  EXPECT_EQ(profiles->itemText(0), "alpha") << "sorted";
  EXPECT_EQ(profiles->currentText(), "alpha");
  EXPECT_TRUE(profiles->isEnabled());
}

TEST_F(CaptureSettingsDialogTest, AUnitSelectsItsFirstEntryAndTenMinutesOffersTheAutoStart) {
  CaptureSettings values = stillEvery21Minutes();
  values.stillUnit = 0;
  values.autoReconnect = false;
  auto dialog = open(values);
  QCheckBox* autoStart = find<QCheckBox>(*dialog, "autoStartCheck");
  EXPECT_FALSE(autoStart->isEnabled()) << "seconds never qualify";
  find<QRadioButton>(*dialog, "minutesRadio")->click();
  EXPECT_EQ(list(*dialog, "minutesList")->currentText(), "1 分");
  EXPECT_EQ(list(*dialog, "secondsList")->currentIndex(), -1);
  EXPECT_TRUE(list(*dialog, "minutesList")->isEnabled());
  EXPECT_FALSE(list(*dialog, "secondsList")->isEnabled());
  list(*dialog, "minutesList")->setCurrentIndex(8);  // "9 分"
  EXPECT_FALSE(autoStart->isEnabled());
  list(*dialog, "minutesList")->setCurrentIndex(9);  // "10 分"
  EXPECT_TRUE(autoStart->isEnabled());
  EXPECT_TRUE(list(*dialog, "autoStartProfileList")->isEnabled());
  find<QRadioButton>(*dialog, "hoursRadio")->click();
  EXPECT_EQ(list(*dialog, "hoursList")->currentText(), "1 時間");
  EXPECT_TRUE(autoStart->isEnabled());

  find<QRadioButton>(*dialog, "motionRadio")->click();
  EXPECT_FALSE(autoStart->isEnabled());
  EXPECT_FALSE(list(*dialog, "hoursList")->isEnabled());
  EXPECT_FALSE(find<QCheckBox>(*dialog, "keepOldImagesCheck")->isEnabled());
  EXPECT_FALSE(find<QRadioButton>(*dialog, "minutesRadio")->isEnabled());
}

TEST_F(CaptureSettingsDialogTest, OkInMotionModeStoresNoAutoStartAndTheFixedFrameRate) {
  auto dialog = open(stillEvery21Minutes());
  find<QRadioButton>(*dialog, "motionRadio")->click();
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->values().mode, 0);
  EXPECT_FALSE(dialog->values().autoReconnect);
  EXPECT_EQ(dialog->values().autoReconnectProfile, "");
  EXPECT_EQ(dialog->values().frameRate, 1);
  EXPECT_EQ(dialog->values().framesPerStrip, 6);
  EXPECT_EQ(dialog->values().stillIndex, 20);
}

TEST_F(CaptureSettingsDialogTest, OkStoresTheStillChoiceWithItsProfile) {
  CaptureSettings values = stillEvery21Minutes();
  values.autoReconnectProfile = "";
  values.autoReconnect = false;
  auto dialog = open(values);
  EXPECT_EQ(list(*dialog, "autoStartProfileList")->currentIndex(), -1);
  find<QCheckBox>(*dialog, "autoStartCheck")->click();
  ok(*dialog);
  EXPECT_TRUE(dialog->isVisible()) << "no profile chosen";
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].caption, "キャプチャー設定");

  list(*dialog, "autoStartProfileList")->setCurrentIndex(1);  // "zeta"
  find<QSpinBox>(*dialog, "qualitySpin")->setValue(60);
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  const CaptureSettings& stored = dialog->values();
  EXPECT_TRUE(stored.autoReconnect);
  EXPECT_EQ(stored.autoReconnectProfile, "zeta");
  EXPECT_EQ(stored.quality, 60);
  EXPECT_EQ(stored.stillUnit, 1);
  EXPECT_EQ(stored.stillIndex, 20);
}

TEST_F(CaptureSettingsDialogTest, WithoutProfilesTheAutoStartIsNeverOffered) {
  auto dialog = open(stillEvery21Minutes(), {});
  EXPECT_FALSE(find<QCheckBox>(*dialog, "autoStartCheck")->isEnabled());
  find<QRadioButton>(*dialog, "hoursRadio")->click();
  EXPECT_FALSE(find<QCheckBox>(*dialog, "autoStartCheck")->isEnabled());
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->values().autoReconnect);
  EXPECT_EQ(dialog->values().autoReconnectProfile, "");
  EXPECT_TRUE(prompter_.prompts().empty());
}

}  // namespace
}  // namespace karone
