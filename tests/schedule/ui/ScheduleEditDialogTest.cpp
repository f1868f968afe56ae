// The schedule edit dialog on the offscreen platform, in Japan on Tuesday
// 2026-12-08 at 09:00 (fake time): the add and modify openings, the period
// layouts and the four instants behind them, the weekday lists, the video
// sources, the update period, and OK with the schedule checks.
#include "schedule/ui/ScheduleEditDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "tests/doubles/FakeSchedulerContext.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/PlacedControls.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

constexpr Seconds kTuesday0900 = 1796688000;  // 2026-12-08 09:00 JST
constexpr Seconds kHour = 3600;
constexpr Seconds kDay = 86400;

class ScheduleEditDialogTest : public ::testing::Test {
 protected:
  ScheduleEditDialogTest() {
    ProfileInfo zeta;
    zeta.name = "zeta";
    context_.dataStore().addProfile(zeta);
    ProfileInfo alpha;
    alpha.name = "alpha";
    context_.dataStore().addProfile(alpha);
  }

  std::unique_ptr<ScheduleEditDialog> open(const std::optional<ScheduleInfo>& entry = {}) {
    auto dialog = std::make_unique<ScheduleEditDialog>(
        context_, entry ? "スケジュール修正" : "スケジュール追加", entry, nullptr);
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
  static QDateEdit* date(QWidget& w, const char* name) { return find<QDateEdit>(w, name); }
  static QTimeEdit* time(QWidget& w, const char* name) { return find<QTimeEdit>(w, name); }
  static QSpinBox* spin(QWidget& w, const char* name) { return find<QSpinBox>(w, name); }
  static void ok(QWidget& w) { find<QPushButton>(w, "okButton")->click(); }
  // A name and the times of day of a session, as the operator types them.
  static void enter(QWidget& w, const char* name, QTime start, QTime end) {
    find<QLineEdit>(w, "nameEdit")->setText(QString::fromUtf8(name));
    time(w, "startTimePicker")->setTime(start);
    time(w, "endTimePicker")->setTime(end);
  }

  testing::ScopedTimeZone zone_{"JST-9"};
  FakeSchedulerContext context_{kTuesday0900};
};

TEST_F(ScheduleEditDialogTest, EveryControlInItsPlaceWithItsText) {
  auto dialog = open();
  EXPECT_EQ(dialog->windowTitle(), "スケジュール追加");
  testing::expectPlaced(*dialog, {
      {"modeGroup", 7, 7, 121, 30, "キャプチャーモード"},
      {"motionRadio", 14, 19, 40, 12, "動画"},
      {"stillRadio", 66, 19, 40, 12, "静止画"},
      {"nameLabel", 7, 43, 46, 14, "設定名"},
      {"nameEdit", 62, 41, 66, 13, nullptr},
      {"profileLabel", 7, 58, 53, 11, "FTPプロファイル:"},
      {"profileList", 62, 56, 66, 127, nullptr},
      {"periodLabel", 7, 73, 46, 14, "周期："},
      {"periodList", 62, 71, 66, 65, nullptr},
      {"sourceLabel", 7, 88, 46, 14, "ビデオソース:"},
      {"sourceList", 62, 86, 66, 58, nullptr},
      {"sizeLabel", 7, 103, 46, 14, "ビデオサイス:"},
      {"sizeList", 62, 101, 66, 52, nullptr},
      {"startGroup", 7, 118, 121, 47, "開始時間"},
      {"startDayLabel", 13, 132, 10, 8, "日:"},
      {"startDatePicker", 61, 129, 57, 12, nullptr},
      {"startWeekdayList", 61, 129, 57, 93, nullptr},
      {"startTimeLabel", 13, 146, 16, 8, "時間:"},
      {"startTimePicker", 61, 144, 57, 14, nullptr},
      {"endGroup", 7, 170, 121, 47, "終了時間"},
      {"endDayLabel", 13, 184, 10, 8, "日:"},
      {"endDatePicker", 61, 181, 57, 12, nullptr},
      {"endWeekdayList", 61, 181, 57, 86, nullptr},
      {"endTimeLabel", 13, 198, 16, 8, "時間:"},
      {"endTimePicker", 61, 195, 57, 14, nullptr},
      {"updateGroup", 7, 221, 121, 35, "更新周期"},
      {"hourSpin", 14, 234, 23, 13, nullptr},
      {"colonLabel", 40, 236, 8, 10, ":"},
      {"minuteSpin", 50, 234, 23, 13, nullptr},
      {"formatLabel", 79, 236, 30, 11, "(HH:MM)"},
      {"okButton", 11, 265, 50, 14, "OK"},
      {"cancelButton", 64, 265, 50, 14, "ｷｬﾝｾﾙ"},
  });
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "ScheduleEditDialog").empty());

  find<QRadioButton>(*dialog, "stillRadio")->click();
  list(*dialog, "periodList")->setCurrentIndex(1);
  const auto weekly = testing::layoutProblems(*dialog);
  EXPECT_TRUE(weekly.empty()) << ::testing::PrintToString(weekly);
  EXPECT_FALSE(testing::renderToPng(*dialog, "ScheduleEditDialogWeekly").empty());
}

TEST_F(ScheduleEditDialogTest, AClickSelectsTheSectionUnderItAndTypingReplacesIt) {
  auto dialog = open();
  QTimeEdit* start = time(*dialog, "startTimePicker");
  auto* line = start->findChild<QLineEdit*>();
  ASSERT_NE(line, nullptr);
  start->setTime(QTime(9, 5));
  ASSERT_EQ(line->text(), "9:05");
  // Where the pointer falls on each character of the right-aligned text.
  auto atCharacter = [&](int index) {
    for (int x = 0; x < line->width(); ++x) {
      const QPoint p(x, line->height() / 2);
      if (line->cursorPositionAt(p) == index + 1) return QPoint(x - 1, p.y());
    }
    return QPoint(-1, -1);
  };

  QTest::mouseClick(line, Qt::LeftButton, {}, atCharacter(3));  // the last minute digit
  EXPECT_EQ(line->selectedText(), "05");
  QTest::keyClicks(start, "30");
  EXPECT_EQ(start->time(), QTime(9, 30));

  QTest::mouseClick(line, Qt::LeftButton, {}, atCharacter(0));  // the hour
  EXPECT_EQ(line->selectedText(), "9");
  QTest::keyClicks(start, "17");
  EXPECT_EQ(start->time(), QTime(17, 30));

  // Dates alike: the day, then the year.
  QDateEdit* day = date(*dialog, "startDatePicker");
  auto* dayLine = day->findChild<QLineEdit*>();
  ASSERT_EQ(dayLine->text(), "2026/12/08");
  QTest::mouseClick(dayLine, Qt::LeftButton, {}, QPoint(dayLine->width() - 4, dayLine->height() / 2));
  EXPECT_EQ(dayLine->selectedText(), "08");
  QTest::keyClicks(day, "20");
  EXPECT_EQ(day->date(), QDate(2026, 12, 20));
}

TEST_F(ScheduleEditDialogTest, AddModeDefaults) {
  auto dialog = open();
  EXPECT_TRUE(find<QRadioButton>(*dialog, "motionRadio")->isChecked());
  EXPECT_EQ(date(*dialog, "startDatePicker")->text(), "2026/12/08");
  EXPECT_EQ(time(*dialog, "startTimePicker")->text(), "12:00");
  EXPECT_EQ(date(*dialog, "endDatePicker")->text(), "2026/12/08");
  EXPECT_EQ(time(*dialog, "endTimePicker")->text(), "12:00");
  EXPECT_EQ(list(*dialog, "periodList")->currentText(), "1回");
  EXPECT_EQ(list(*dialog, "periodList")->count(), 3);
  EXPECT_EQ(list(*dialog, "sizeList")->currentText(), "176 x 144");
  EXPECT_EQ(list(*dialog, "startWeekdayList")->currentText(), "日曜日");
  EXPECT_EQ(list(*dialog, "endWeekdayList")->currentText(), "日曜日");
  EXPECT_FALSE(list(*dialog, "startWeekdayList")->isVisible());
  EXPECT_EQ(list(*dialog, "profileList")->currentText(), "alpha") << "the first of the sorted list";
  EXPECT_EQ(list(*dialog, "sourceList")->currentText(), "テレビチューナー");
  EXPECT_EQ(spin(*dialog, "hourSpin")->value(), 1);
  EXPECT_EQ(spin(*dialog, "minuteSpin")->value(), 0);
  EXPECT_FALSE(spin(*dialog, "hourSpin")->isEnabled()) << "motion mode";
  EXPECT_FALSE(find<QGroupBox>(*dialog, "updateGroup")->isEnabled());
  find<QRadioButton>(*dialog, "stillRadio")->click();
  EXPECT_TRUE(spin(*dialog, "hourSpin")->isEnabled());
}

TEST_F(ScheduleEditDialogTest, AddsAOneTimeEntry) {
  auto dialog = open();
  enter(*dialog, "  朝  ", QTime(10, 0), QTime(11, 30));
  date(*dialog, "endDatePicker")->setDate(QDate(2026, 12, 9));
  list(*dialog, "sizeList")->setCurrentIndex(2);
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted)
      << ::testing::PrintToString(context_.recordingPrompter().prompts().size());
  const ScheduleInfo& e = dialog->entry();
  EXPECT_EQ(e.name, "朝");
  EXPECT_EQ(e.start, kTuesday0900 + kHour);
  EXPECT_EQ(e.end, kTuesday0900 + kDay + 2 * kHour + 1800);
  EXPECT_EQ(e.period, PeriodOnce);
  EXPECT_EQ(e.captureMode, CaptureMotion);
  EXPECT_EQ(e.ftpProfileName, "alpha");
  EXPECT_EQ(e.videoSource, 1);
  EXPECT_EQ(e.videoSize, 2);
  EXPECT_EQ(e.updatePeriod, 3600);
}

TEST_F(ScheduleEditDialogTest, TheFirstRefusalIsShownWithTheCaptionAndTheDialogStays) {
  auto dialog = open();
  enter(*dialog, "   ", QTime(10, 0), QTime(11, 0));
  ok(*dialog);
  find<QLineEdit>(*dialog, "nameEdit")->setText("朝");
  time(*dialog, "startTimePicker")->setTime(QTime(8, 0));
  ok(*dialog);
  EXPECT_TRUE(dialog->isVisible());
  const auto prompts = context_.recordingPrompter().prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].text, "この項目は設定が必要です。\n項目を設定してください。");
  EXPECT_EQ(prompts[1].text, "開始時間は過ぎています。\n再登録してください。");
  for (const auto& p : prompts) {
    EXPECT_EQ(p.caption, "スケジュール追加");
    EXPECT_EQ(p.icon, PromptIcon::Warning);
  }
  EXPECT_EQ(time(*dialog, "startTimePicker")->time(), QTime(8, 0)) << "input kept";
}

TEST_F(ScheduleEditDialogTest, WeeklyAndBackRestoresThePickersFromTheirOwnValues) {
  auto dialog = open();
  enter(*dialog, "週", QTime(10, 0), QTime(11, 0));
  date(*dialog, "startDatePicker")->setDate(QDate(2026, 12, 20));
  date(*dialog, "endDatePicker")->setDate(QDate(2026, 12, 20));

  list(*dialog, "periodList")->setCurrentIndex(PeriodWeekly);
  QComboBox* startDay = list(*dialog, "startWeekdayList");
  QComboBox* endDay = list(*dialog, "endWeekdayList");
  EXPECT_TRUE(startDay->isVisible());
  EXPECT_FALSE(date(*dialog, "startDatePicker")->isVisible());
  EXPECT_EQ(startDay->currentText(), "火曜日") << "the weekday of the start time's own value";
  endDay->setCurrentIndex(5);
  EXPECT_EQ(startDay->currentText(), "金曜日") << "the lists mirror each other";

  list(*dialog, "periodList")->setCurrentIndex(PeriodOnce);
  EXPECT_FALSE(startDay->isVisible());
  EXPECT_EQ(date(*dialog, "startDatePicker")->date(), QDate(2026, 12, 20));
  EXPECT_EQ(time(*dialog, "startTimePicker")->time(), QTime(10, 0));

  list(*dialog, "periodList")->setCurrentIndex(PeriodWeekly);
  startDay->setCurrentIndex(5);
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  const Seconds friday1000 = kTuesday0900 + 3 * kDay + kHour;
  EXPECT_EQ(dialog->entry().start, friday1000);
  EXPECT_EQ(dialog->entry().end, friday1000 + kHour);
  EXPECT_EQ(dialog->entry().period, PeriodWeekly);
}

TEST_F(ScheduleEditDialogTest, FridayChosenInTheEndListIsTheEntrysDay) {
  auto dialog = open();
  enter(*dialog, "金", QTime(10, 0), QTime(11, 0));
  list(*dialog, "periodList")->setCurrentIndex(PeriodWeekly);
  list(*dialog, "endWeekdayList")->setCurrentIndex(5);
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(toLocalTime(dialog->entry().start).weekday, 5);
}

TEST_F(ScheduleEditDialogTest, DailyIgnoresTheDisabledDates) {
  auto dialog = open();
  enter(*dialog, "毎日", QTime(10, 0), QTime(11, 0));
  date(*dialog, "startDatePicker")->setDate(QDate(2027, 3, 1));
  date(*dialog, "endDatePicker")->setDate(QDate(2027, 3, 2));
  list(*dialog, "periodList")->setCurrentIndex(PeriodDaily);
  EXPECT_TRUE(date(*dialog, "startDatePicker")->isVisible());
  EXPECT_FALSE(date(*dialog, "startDatePicker")->isEnabled());
  EXPECT_FALSE(list(*dialog, "startWeekdayList")->isVisible());
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->entry().start, kTuesday0900 + kHour) << "today, the start not yet passed";
  EXPECT_EQ(dialog->entry().end, kTuesday0900 + 2 * kHour);
}

TEST_F(ScheduleEditDialogTest, VideoSourcesAreTheTunerCompositeAndSVideoInputs) {
  context_.inputTypes = {9, 2, 4, 3};
  {
    auto dialog = open();
    QComboBox* sources = list(*dialog, "sourceList");
    ASSERT_EQ(sources->count(), 2);
    EXPECT_EQ(sources->itemText(0), "ビデオ");
    EXPECT_EQ(sources->itemText(1), "S-ビデオ");
    sources->setCurrentIndex(1);
    enter(*dialog, "S", QTime(10, 0), QTime(11, 0));
    ok(*dialog);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->entry().videoSource, 3);
  }
  context_.inputTypes = {4, 11};
  auto dialog = open();
  EXPECT_EQ(list(*dialog, "sourceList")->count(), 0);
  EXPECT_FALSE(list(*dialog, "sourceList")->isEnabled());
  enter(*dialog, "none", QTime(10, 0), QTime(11, 0));
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->entry().videoSource, -1);
}

TEST_F(ScheduleEditDialogTest, UpdatePeriodsFromTenMinutesToFourFiftyNine) {
  auto dialog = open();
  find<QRadioButton>(*dialog, "stillRadio")->click();
  QSpinBox* hours = spin(*dialog, "hourSpin");
  QSpinBox* minutes = spin(*dialog, "minuteSpin");
  hours->setValue(0);
  EXPECT_EQ(minutes->value(), 10);
  EXPECT_EQ(minutes->minimum(), 10);
  minutes->setValue(5);
  EXPECT_EQ(minutes->value(), 10);
  enter(*dialog, "静止", QTime(10, 0), QTime(11, 5));
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->entry().updatePeriod, 600);
  EXPECT_EQ(dialog->entry().captureMode, CaptureStill);

  auto longest = open();
  find<QRadioButton>(*longest, "stillRadio")->click();
  hours = spin(*longest, "hourSpin");
  minutes = spin(*longest, "minuteSpin");
  minutes->setValue(30);
  hours->setValue(5);
  EXPECT_EQ(hours->value(), 4);
  EXPECT_EQ(minutes->value(), 0) << "four hours start at 4:00";
  minutes->setValue(59);
  enter(*longest, "長い", QTime(10, 0), QTime(15, 0));
  ok(*longest);
  ASSERT_EQ(longest->result(), QDialog::Accepted);
  EXPECT_EQ(longest->entry().updatePeriod, 4 * 3600 + 59 * 60);
}

TEST_F(ScheduleEditDialogTest, ModifyShowsTheEntryAndChecksWithItsCaption) {
  ScheduleInfo stored;
  stored.name = "木曜";
  stored.ftpProfileName = "gone";
  stored.captureMode = CaptureStill;
  stored.period = PeriodWeekly;
  stored.videoSource = 3;
  stored.videoSize = 0;
  stored.updatePeriod = 5400;
  stored.start = static_cast<std::int32_t>(kTuesday0900 + 2 * kDay + 4 * kHour);  // Thu 13:00
  stored.end = stored.start + static_cast<std::int32_t>(kHour);
  context_.dataStore().addSchedule(stored);
  auto dialog = open(stored);
  EXPECT_EQ(dialog->windowTitle(), "スケジュール修正");
  EXPECT_TRUE(find<QRadioButton>(*dialog, "stillRadio")->isChecked());
  EXPECT_EQ(find<QLineEdit>(*dialog, "nameEdit")->text(), "木曜");
  EXPECT_EQ(list(*dialog, "profileList")->currentText(), "alpha") << "a missing profile";
  EXPECT_EQ(list(*dialog, "periodList")->currentText(), "毎週");
  EXPECT_EQ(list(*dialog, "startWeekdayList")->currentText(), "木曜日");
  EXPECT_EQ(list(*dialog, "endWeekdayList")->currentText(), "木曜日");
  EXPECT_EQ(list(*dialog, "sourceList")->currentText(), "S-ビデオ");
  EXPECT_EQ(list(*dialog, "sizeList")->currentText(), "160 x 120");
  EXPECT_EQ(time(*dialog, "startTimePicker")->text(), "13:00");
  EXPECT_EQ(spin(*dialog, "hourSpin")->value(), 1);
  EXPECT_EQ(spin(*dialog, "minuteSpin")->value(), 30);

  ok(*dialog);  // one hour is shorter than the update period
  EXPECT_TRUE(dialog->isVisible());
  spin(*dialog, "hourSpin")->setValue(0);
  spin(*dialog, "minuteSpin")->setValue(25);
  ok(*dialog);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  const auto prompts = context_.recordingPrompter().prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text, "スケジュールの実行期間が静止画の更新周期より短くなっています。");
  EXPECT_EQ(prompts[0].caption, "スケジュール修正");
  EXPECT_EQ(dialog->entry().name, "木曜") << "its own name is not taken";
  EXPECT_EQ(dialog->entry().start, stored.start);
  EXPECT_EQ(dialog->entry().ftpProfileName, "alpha");
  EXPECT_EQ(dialog->entry().updatePeriod, 1500);
}

TEST_F(ScheduleEditDialogTest, CancelReturnsNothing) {
  auto dialog = open();
  find<QPushButton>(*dialog, "cancelButton")->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_TRUE(context_.recordingPrompter().prompts().empty());
}

}  // namespace
}  // namespace karone
