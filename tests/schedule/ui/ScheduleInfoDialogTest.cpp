// "スケジュール情報": every value with its leading blank, dates written the
// Japanese way under the C locale the ui tests run in.
#include "schedule/ui/ScheduleInfoDialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "platform/Clock.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/PlacedControls.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

// 2026-12-08 09:05 in Japan, a Tuesday.
constexpr Seconds kTuesday0905 = 1796688300;

std::string value(const QWidget& dialog, const char* name) {
  const QLabel* label = dialog.findChild<QLabel*>(name);
  EXPECT_NE(label, nullptr) << name;
  return label ? label->text().toStdString() : "";
}

class ScheduleInfoDialogTest : public ::testing::Test {
 protected:
  testing::ScopedTimeZone zone_{"JST-9"};
};

TEST_F(ScheduleInfoDialogTest, AOneTimeEntryWithEveryValue) {
  ScheduleInfo entry;
  entry.captureMode = CaptureMotion;
  entry.period = PeriodOnce;
  entry.videoSource = 1;
  entry.videoSize = 1;
  entry.start = kTuesday0905;
  entry.end = kTuesday0905 + 86400 + 3600 + 600;  // Wednesday 10:15
  entry.name = "朝の中継";
  entry.ftpProfileName = "camera";
  ScheduleInfoDialog dialog(entry, nullptr);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "スケジュール情報");
  testing::expectPlaced(dialog, {
      {"modeLabel", 7, 8, 76, 9, "キャプチャーモード:"},
      {"modeValue", 84, 7, 81, 11, " 動画"},
      {"nameLabel", 7, 22, 76, 9, "設定名:"},
      {"nameValue", 84, 21, 81, 11, " 朝の中継"},
      {"profileLabel", 7, 36, 76, 9, "FTP プロファイル:"},
      {"profileValue", 84, 35, 81, 11, " camera"},
      {"periodLabel", 7, 50, 76, 9, "周期:"},
      {"periodValue", 84, 49, 81, 11, " 1回"},
      {"sourceLabel", 7, 64, 76, 9, "ビデオソース:"},
      {"sourceValue", 84, 63, 81, 11, " テレビチューナー"},
      {"sizeLabel", 7, 78, 76, 9, "ビデオサイズ:"},
      {"sizeValue", 84, 77, 81, 11, " 176 x 144"},
      {"startDateLabel", 7, 91, 76, 9, "キャプチャー開始日:"},
      {"startDateValue", 84, 90, 81, 11, " 2026/12/08"},
      {"startTimeLabel", 7, 105, 76, 9, "キャプチャー開始時間:"},
      {"startTimeValue", 84, 104, 81, 11, " 9:05"},
      {"endDateLabel", 7, 119, 76, 9, "キャプチャー終了日:"},
      {"endDateValue", 84, 118, 81, 11, " 2026/12/09"},
      {"endTimeLabel", 7, 133, 76, 9, "キャプチャー終了時間:"},
      {"endTimeValue", 84, 132, 81, 11, " 10:15"},
      {"separator", 7, 151, 158, 1, nullptr},
      {"closeButton", 60, 160, 50, 14, "閉じる"},
  });
  const auto problems = testing::layoutProblems(dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(dialog, "ScheduleInfoDialog").empty());
  dialog.findChild<QPushButton*>("closeButton")->click();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ScheduleInfoDialogTest, PeriodsSourcesAndSizes) {
  ScheduleInfo entry;
  entry.captureMode = CaptureStill;
  entry.start = kTuesday0905;
  entry.end = kTuesday0905 + 3600;
  entry.period = PeriodDaily;
  entry.videoSource = 9;
  entry.videoSize = 7;
  {
    ScheduleInfoDialog daily(entry, nullptr);
    EXPECT_EQ(value(daily, "modeValue"), " 静止画");
    EXPECT_EQ(value(daily, "periodValue"), " 毎日");
    EXPECT_EQ(value(daily, "startDateValue"), " ") << "a daily entry has no dates";
    EXPECT_EQ(value(daily, "endDateValue"), " ");
    EXPECT_EQ(value(daily, "startTimeValue"), " 9:05");
    EXPECT_EQ(value(daily, "endTimeValue"), " 10:05");
    EXPECT_EQ(value(daily, "sourceValue"), " Unknown input");
    EXPECT_EQ(value(daily, "sizeValue"), " 320 x 240");
  }
  entry.period = PeriodWeekly;
  entry.videoSource = -1;
  entry.videoSize = 0;
  ScheduleInfoDialog weekly(entry, nullptr);
  EXPECT_EQ(value(weekly, "periodValue"), " 毎週");
  EXPECT_EQ(value(weekly, "startDateValue"), " 毎火曜日");
  EXPECT_EQ(value(weekly, "endDateValue"), " 毎火曜日");
  EXPECT_EQ(value(weekly, "sourceValue"), " ");
  EXPECT_EQ(value(weekly, "sizeValue"), " 160 x 120");
}

}  // namespace
}  // namespace karone
