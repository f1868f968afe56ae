// "スケジューラー設定" on the offscreen platform, in Japan on Tuesday
// 2026-12-08 at 09:00 (fake time, fake timers): the list in store order
// with its texts and icons, the status column every second, the six
// buttons and the dialogs they open.
#include "schedule/ui/SchedulerDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimeEdit>

#include "tests/doubles/FakeSchedulerContext.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/PlacedControls.h"
#include "tests/support/ui/UiDriving.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

using testing::whenModalShows;

constexpr Seconds kTuesday0900 = 1796688000;  // 2026-12-08 09:00 JST
constexpr Seconds kHour = 3600;
constexpr Seconds kDay = 86400;

ScheduleInfo entry(const char* name, std::int32_t period, Seconds start, Seconds end,
                   std::int32_t mode = CaptureMotion) {
  ScheduleInfo e;
  e.name = name;
  e.period = period;
  e.captureMode = mode;
  e.start = static_cast<std::int32_t>(start);
  e.end = static_cast<std::int32_t>(end);
  e.ftpProfileName = "camera";
  e.updatePeriod = 600;
  return e;
}

class SchedulerDialogTest : public ::testing::Test {
 protected:
  SchedulerDialogTest() {
    ProfileInfo camera;
    camera.name = "camera";
    context_.dataStore().addProfile(camera);
  }

  // Three entries that do not overlap: today 09:05-10:00 once, Wednesday
  // 12:00-13:00 weekly, 20:00-21:00 daily.
  void addThree() {
    DataStore& store = context_.dataStore();
    store.addSchedule(entry("一回", PeriodOnce, kTuesday0900 + 300, kTuesday0900 + kHour));
    store.addSchedule(entry("毎週水", PeriodWeekly, kTuesday0900 + kDay + 3 * kHour,
                            kTuesday0900 + kDay + 4 * kHour, CaptureStill));
    store.addSchedule(entry("毎晩", PeriodDaily, kTuesday0900 + 11 * kHour,
                            kTuesday0900 + 12 * kHour));
  }
  std::unique_ptr<SchedulerDialog> open() {
    auto dialog = std::make_unique<SchedulerDialog>(context_, timers_, nullptr);
    dialog->show();
    return dialog;
  }
  static QTableWidget* table(QWidget& w) { return w.findChild<QTableWidget*>("scheduleList"); }
  static QString cell(QWidget& w, int row, int column) {
    const QTableWidgetItem* item = table(w)->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
  }
  static QStringList names(QWidget& w) {
    QStringList out;
    for (int row = 0; row < table(w)->rowCount(); ++row) out << cell(w, row, 1);
    return out;
  }
  static void click(QWidget& w, const char* button) {
    w.findChild<QPushButton*>(button)->click();
  }
  static void select(QWidget& w, int row) { table(w)->selectRow(row); }
  std::vector<std::string> storedNames() {
    std::vector<std::string> out;
    for (const auto& s : context_.dataStore().schedules()) out.push_back(s.name);
    return out;
  }

  testing::ScopedTimeZone zone_{"JST-9"};
  FakeSchedulerContext context_{kTuesday0900};
  FakeTimerQueue timers_{context_.fakeClock()};
};

TEST_F(SchedulerDialogTest, TheListAndTheButtonsInTheirPlaces) {
  addThree();
  auto dialog = open();
  EXPECT_EQ(dialog->windowTitle(), "スケジューラー設定");
  testing::expectPlaced(*dialog, {
      {"listLabel", 7, 7, 83, 9, "スケジュールリスト"},
      {"scheduleList", 7, 17, 375, 89, nullptr},
      {"settingGroup", 7, 108, 297, 52, "Schedule Setting"},
      {"showButton", 13, 122, 94, 13, "予約状況を見る"},
      {"addButton", 108, 122, 94, 13, "予約を追加する"},
      {"modifyButton", 203, 122, 94, 13, "予約を変更する"},
      {"deleteButton", 13, 137, 94, 13, "予約を削除する"},
      {"deleteInvalidButton", 108, 137, 94, 13, "無効の予約を削除する"},
      {"deleteAllButton", 203, 137, 94, 13, "すべての予約を削除する"},
      {"okButton", 324, 130, 40, 13, "OK"},
  });
  QTableWidget* list = table(*dialog);
  const char* headings[] = {" ", "項目", "開始日", "開始時間", "停止日", "停止時間", "状況"};
  const int widths[] = {20, 150, 80, 66, 80, 66, 80};
  ASSERT_EQ(list->columnCount(), 7);
  const QFontMetrics metrics(list->horizontalHeader()->font());
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(list->horizontalHeaderItem(c)->text().toStdString(), headings[c]);
    // The status column is widened to its longest text where the font needs it.
    if (c == 6) EXPECT_GE(list->columnWidth(c), widths[c]);
    else EXPECT_EQ(list->columnWidth(c), widths[c]);
    EXPECT_LT(metrics.horizontalAdvance(list->horizontalHeaderItem(c)->text()), widths[c])
        << "heading fits: " << headings[c];
  }
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  timers_.advance(1000);  // the status column filled
  ASSERT_EQ(cell(*dialog, 2, 6), "スケジュール定刻");
  const auto problems = testing::layoutProblems(*dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(*dialog, "SchedulerDialog").empty());
}

TEST_F(SchedulerDialogTest, RowsInStoreOrderWithTheirDaysTimesAndModes) {
  addThree();
  auto dialog = open();
  EXPECT_EQ(names(*dialog), (QStringList{"一回", "毎週水", "毎晩"}));
  const QStringList once{" ", "一回", "2026/12/08", "9:05", "2026/12/08", "10:00", " "};
  const QStringList weekly{" ", "毎週水", "毎水曜日", "12:00", "毎水曜日", "13:00", " "};
  const QStringList daily{" ", "毎晩", "毎日", "20:00", "毎日", "21:00", " "};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(cell(*dialog, 0, c), once[c]) << c;
    EXPECT_EQ(cell(*dialog, 1, c), weekly[c]) << c;
    EXPECT_EQ(cell(*dialog, 2, c), daily[c]) << c;
  }
  const QIcon motion = table(*dialog)->item(0, 0)->icon();
  const QIcon still = table(*dialog)->item(1, 0)->icon();
  ASSERT_FALSE(motion.isNull());
  ASSERT_FALSE(still.isNull());
  EXPECT_NE(motion.pixmap(16).toImage(), still.pixmap(16).toImage());
  EXPECT_EQ(table(*dialog)->item(2, 0)->icon().pixmap(16).toImage(), motion.pixmap(16).toImage());
}

TEST_F(SchedulerDialogTest, TheStatusColumnFollowsTheClockAndTheRunningEntry) {
  addThree();
  auto dialog = open();
  EXPECT_EQ(cell(*dialog, 0, 6), " ") << "until the first tick";
  timers_.advance(1000);
  EXPECT_EQ(cell(*dialog, 0, 6), "スケジュール定刻");
  EXPECT_EQ(cell(*dialog, 1, 6), "スケジュール定刻");
  timers_.advance(300 * 1000);  // 09:05:01: the one-time entry has started
  EXPECT_EQ(cell(*dialog, 0, 6), "無効");
  context_.running = "毎晩";
  timers_.advance(1000);
  EXPECT_EQ(cell(*dialog, 2, 6), "進行中...");
  EXPECT_EQ(cell(*dialog, 1, 6), "スケジュール定刻");
}

TEST_F(SchedulerDialogTest, DeletingAsksFirstAndNeedsASelection) {
  addThree();
  auto dialog = open();
  click(*dialog, "deleteButton");
  click(*dialog, "modifyButton");
  click(*dialog, "showButton");
  EXPECT_TRUE(context_.recordingPrompter().prompts().empty()) << "nothing selected";
  EXPECT_EQ(storedNames().size(), 3u);

  select(*dialog, 1);
  context_.recordingPrompter().queueAnswer(PromptAnswer::No);
  click(*dialog, "deleteButton");
  EXPECT_EQ(storedNames().size(), 3u);
  context_.recordingPrompter().queueAnswer(PromptAnswer::Yes);
  click(*dialog, "deleteButton");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"一回", "毎晩"}));
  EXPECT_EQ(names(*dialog), (QStringList{"一回", "毎晩"}));
  const auto prompts = context_.recordingPrompter().prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].text, "この予約を削除したいですか?");
  EXPECT_EQ(prompts[0].caption, "予約削除");
  EXPECT_EQ(prompts[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(prompts[0].icon, PromptIcon::None);

  context_.recordingPrompter().queueAnswer(PromptAnswer::Yes);
  click(*dialog, "deleteAllButton");
  EXPECT_EQ(context_.recordingPrompter().prompts().back().text, "全ての予約を削除したいですか?");
  EXPECT_TRUE(storedNames().empty());
  EXPECT_EQ(table(*dialog)->rowCount(), 0);
}

TEST_F(SchedulerDialogTest, DeletingTheInvalidEntriesKeepsWeeklyAndDailyOnesWithoutAsking) {
  addThree();
  context_.dataStore().addSchedule(
      entry("過去", PeriodOnce, kTuesday0900 - kDay, kTuesday0900 - kDay + kHour));
  context_.dataStore().addSchedule(
      entry("過去の週", PeriodWeekly, kTuesday0900 - 7 * kDay, kTuesday0900 - 7 * kDay + kHour));
  auto dialog = open();
  click(*dialog, "deleteInvalidButton");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"一回", "毎週水", "毎晩", "過去の週"}));
  EXPECT_EQ(names(*dialog).size(), 4);
  EXPECT_TRUE(context_.recordingPrompter().prompts().empty());
}

TEST_F(SchedulerDialogTest, AModifiedEntryMovesToTheEnd) {
  addThree();
  auto dialog = open();
  select(*dialog, 0);
  QString title;
  whenModalShows([&](QWidget& edit) {
    title = edit.windowTitle();
    edit.findChild<QTimeEdit*>("endTimePicker")->setTime(QTime(10, 30));
    edit.findChild<QPushButton*>("okButton")->click();
  });
  click(*dialog, "modifyButton");
  EXPECT_EQ(title, "スケジュール修正");
  EXPECT_EQ(names(*dialog), (QStringList{"毎週水", "毎晩", "一回"}));
  EXPECT_EQ(cell(*dialog, 2, 5), "10:30");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"毎週水", "毎晩", "一回"}));
  EXPECT_TRUE(context_.recordingPrompter().prompts().empty());
}

TEST_F(SchedulerDialogTest, InfoShowsTheSelectedEntry) {
  addThree();
  auto dialog = open();
  select(*dialog, 1);
  QString name;
  whenModalShows([&](QWidget& info) {
    name = info.findChild<QLabel*>("nameValue")->text();
    info.findChild<QPushButton*>("closeButton")->click();
  });
  click(*dialog, "showButton");
  EXPECT_EQ(name, " 毎週水");
}

TEST(SchedulerDialogOnFile, AnAddedEntryIsInTheDataFileAsEntered) {
  testing::ScopedTimeZone zone("JST-9");
  testing::TempDir dir;
  const std::string path = dir.path() + "/EncData.zrd";
  FakeSchedulerContext context(kTuesday0900, path);
  context.dataStore().load();
  ProfileInfo camera;
  camera.name = "camera";
  context.dataStore().addProfile(camera);
  FakeTimerQueue timers(context.fakeClock());
  SchedulerDialog dialog(context, timers, nullptr);
  dialog.show();

  QString title;
  whenModalShows([&](QWidget& edit) {
    title = edit.windowTitle();
    edit.findChild<QLineEdit*>("nameEdit")->setText("夕方");
    edit.findChild<QComboBox*>("periodList")->setCurrentIndex(PeriodDaily);
    edit.findChild<QTimeEdit*>("startTimePicker")->setTime(QTime(17, 0));
    edit.findChild<QTimeEdit*>("endTimePicker")->setTime(QTime(18, 15));
    edit.findChild<QPushButton*>("okButton")->click();
  });
  dialog.findChild<QPushButton*>("addButton")->click();
  EXPECT_EQ(title, "スケジュール追加");
  ASSERT_EQ(dialog.findChild<QTableWidget*>("scheduleList")->rowCount(), 1);

  DataStore reread(path);
  ASSERT_TRUE(reread.load().ok());
  ASSERT_EQ(reread.scheduleCount(), 1);
  ScheduleInfo stored;
  ASSERT_TRUE(reread.getSchedule(0, stored));
  EXPECT_EQ(stored.name, "夕方");
  EXPECT_EQ(stored.period, PeriodDaily);
  EXPECT_EQ(stored.start, kTuesday0900 + 8 * kHour);
  EXPECT_EQ(stored.end, kTuesday0900 + 9 * kHour + 900);
  EXPECT_EQ(stored.ftpProfileName, "camera");
  EXPECT_EQ(stored.videoSize, 1);
}

}  // namespace
}  // namespace karone
