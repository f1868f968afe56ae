// The main window on the offscreen platform: its layout, what it forwards,
// and the behaviour that belongs to the view (caption entry, compact mode,
// status monitor, closing).
#include "app/ui/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <thread>

#include "app/ui/StatusMonitor.h"
#include "app/ui/SubtitleList.h"
#include "capture/ui/PreviewWidget.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtTaskRunner.h"
#include "tests/app/ui/RecordingMainCommands.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/UiDriving.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

using testing::processEventsUntil;

const char* const kPrompt = "文字を入力して [ENTER]キーを押してください";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setCommands(&commands_);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  template <typename T>
  T* find(const char* name) {
    T* w = window_.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLineEdit* caption() { return find<QLineEdit>("captionEdit"); }
  // Types text into the caption entry character by character, as a
  // keyboard or an input method delivers it.
  void type(const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode() : 0,
                      Qt::NoModifier, QString(c));
      QApplication::sendEvent(caption(), &press);
      QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(caption(), &release);
    }
  }

  RecordingMainCommands commands_;
  QtTaskRunner runner_;
  MainWindow window_{runner_};
};

// A double click as the window system delivers it: press, release, double
// click, release.
void doubleClick(QWidget* w, const QPoint& at) {
  const QPointF local(at);
  const QPointF global(w->mapToGlobal(at));
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent event(type, local, global, Qt::LeftButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
  }
}

struct Placed {
  const char* name;
  int id;
  int x, y, cx, cy;
  const char* text;  // nullptr: no text to compare
};

// Every control where the layout puts it, with its text.
const Placed kLayout[] = {
    {"captureGroup", 1047, 7, 7, 137, 161, "ビデオキャプチャｰ"},
    {"previewFrame", 1004, 17, 19, 117, 107, nullptr},
    {"progressLabel", 1075, 18, 128, 36, 8, "バッファー中"},
    {"progressBar", 1014, 56, 127, 77, 10, nullptr},
    {"statusLabel", 0, 18, 139, 29, 10, "ステタス:"},
    {"captureStatus", 1015, 56, 138, 77, 10, " "},
    {"compactButton", 1026, 18, 150, 115, 14, "最小化"},
    {"captionFrame", 0, 7, 177, 137, 26, nullptr},
    {"captionColourLabel", 0, 11, 186, 24, 10, "文字色"},
    {"clearCaptionButton", 1093, 104, 180, 36, 18, "文字消去"},
    {"subtitleList", 1051, 7, 202, 137, 65, nullptr},
    {"captionEdit", 1052, 7, 267, 137, 12, nullptr},
    {"ftpGroup", 0, 154, 7, 226, 278, "FTP ステタスモニター"},
    {"statusMonitor", 1008, 163, 17, 208, 124, nullptr},
    {"directoryLabel", 1019, 161, 143, 195, 13, ""},
    {"upButton", 1018, 357, 143, 14, 13, ""},
    {"fileList", 1017, 161, 156, 211, 96, nullptr},
    {"bufferFilesLabel", 0, 161, 252, 141, 13, "動画/静止画　バッファーファイル数"},
    {"motionCount", 1048, 302, 252, 35, 13, ""},
    {"stillCount", 1049, 337, 252, 35, 13, ""},
    {"resetCounterButton", 1025, 160, 267, 79, 13, "カウンターのリセット "},
    {"deleteBuffersButton", 1024, 239, 267, 135, 13, "イメージデータバッファーをすべて削除する"},
    {"profileGroup", 0, 386, 7, 115, 143, "FTP プロファイル"},
    {"profileList", 1030, 393, 19, 102, 98, nullptr},
    {"addProfileButton", 32784, 393, 117, 34, 13, "追加"},
    {"modifyProfileButton", 32785, 427, 117, 34, 13, "修正"},
    {"deleteProfileButton", 32786, 461, 117, 34, 13, "削除"},
    {"connectButton", 1005, 393, 130, 102, 13, "接続"},
    {"captureMenuButton", 1002, 386, 156, 40, 13, "設定"},
    {"startButton", 1003, 426, 156, 75, 13, "送信開始"},
    {"schedulerGroup", 0, 386, 174, 115, 111, "スケジューラー"},
    {"schedulerButton", 1033, 392, 190, 102, 13, "スケジューラー設定"},
    {"nextScheduleGroup", 0, 392, 213, 102, 57, "次の予約状況"},
    {"scheduleName", 1043, 399, 226, 88, 11, ""},
    {"scheduleRemaining", 1042, 399, 239, 88, 11, ""},
    {"scheduleState", 1044, 399, 252, 88, 11, ""},
    {"exitButton", 1029, 451, 298, 50, 13, "終了"},
};

QString textOf(QWidget& w) {
  if (auto* l = qobject_cast<QLabel*>(&w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(&w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(&w)) return g->title();
  return {};
}

TEST_F(MainWindowTest, EveryControlIsWhereTheLayoutPutsItWithItsText) {
  const DialogUnits units(window_.font());
  EXPECT_EQ(window_.windowTitle(), QString::fromUtf8("カロネサーバー"));
  EXPECT_EQ(window_.size(), units.toPixels(508, 318));
  EXPECT_EQ(window_.minimumSize(), window_.maximumSize());  // fixed size
  EXPECT_FALSE(window_.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(window_.windowIcon().isNull());
  // Centred on its screen when first shown (where the screen can hold it;
  // the offscreen screen is smaller than the window).
  const QRect screen = window_.screen()->geometry();
  if (screen.contains(QRect(QPoint(0, 0), window_.frameGeometry().size()))) {
    EXPECT_LE(std::abs(window_.frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(window_.frameGeometry().center().y() - screen.center().y()), 1);
  }
  for (const Placed& p : kLayout) {
    SCOPED_TRACE(p.name);
    QWidget* w = find<QWidget>(p.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), units.toPixels(p.x, p.y, p.cx, p.cy));
    if (p.id != 0) {
      EXPECT_EQ(w->property("controlId").toInt(), p.id);
    }
    if (p.text != nullptr) {
      EXPECT_EQ(textOf(*w), QString::fromUtf8(p.text));
    }
  }
  // The colour list: its place, one line high when closed.
  auto* combo = find<QComboBox>("colourCombo");
  EXPECT_EQ(combo->pos(), units.toPixels(38, 180, 62, 89).topLeft());
  EXPECT_EQ(combo->width(), units.toPixels(38, 180, 62, 89).width());
  EXPECT_EQ(combo->count(), 17);
  // The remote folder's columns.
  auto* files = find<QTreeWidget>("fileList");
  ASSERT_EQ(files->columnCount(), 3);
  EXPECT_EQ(files->headerItem()->text(0), QString::fromUtf8("名前"));
  EXPECT_EQ(files->headerItem()->text(1), QString::fromUtf8("サイズ"));
  EXPECT_EQ(files->headerItem()->text(2), QString::fromUtf8("日時"));
}

TEST_F(MainWindowTest, ButtonsAndListsForwardToTheController) {
  const std::pair<const char*, const char*> buttons[] = {
      {"startButton", "start"},         {"connectButton", "connect"},
      {"exitButton", "exit"},           {"schedulerButton", "scheduler"},
      {"addProfileButton", "add"},      {"modifyProfileButton", "modify"},
      {"deleteProfileButton", "delete"}, {"deleteBuffersButton", "deleteBuffers"},
      {"resetCounterButton", "resetCounter"}, {"upButton", "up"},
      {"clearCaptionButton", "clearCaption"}};
  for (const auto& [name, call] : buttons) {
    commands_.calls.clear();
    QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);
    EXPECT_EQ(commands_.calls, std::vector<std::string>{call}) << name;
  }

  // The profile list shows the lines as given, selection included, without
  // reporting that selection back.
  commands_.calls.clear();
  window_.setProfileLines({"alpha", "beta", "gamma"}, 1);
  auto* profiles = find<QListWidget>("profileList");
  EXPECT_EQ(profiles->count(), 3);
  EXPECT_EQ(profiles->currentRow(), 1);
  EXPECT_TRUE(commands_.calls.empty());
  QTest::mouseClick(profiles->viewport(), Qt::LeftButton, {},
                    profiles->visualItemRect(profiles->item(2)).center());
  EXPECT_TRUE(commands_.saw("select 2"));
  doubleClick(profiles->viewport(), profiles->visualItemRect(profiles->item(2)).center());
  EXPECT_TRUE(commands_.saw("activate"));
  window_.setProfileLines({"alpha"}, -1);
  EXPECT_TRUE(profiles->selectedItems().isEmpty());

  auto* files = find<QTreeWidget>("fileList");
  window_.addDirectoryEntry({"images", "0", "7/3/2003"});
  window_.addDirectoryEntry({"old", "0", "1/1/2003"});
  ASSERT_EQ(files->topLevelItemCount(), 2);
  EXPECT_EQ(files->topLevelItem(0)->text(2), "7/3/2003");
  doubleClick(files->viewport(), files->visualItemRect(files->topLevelItem(1)).center());
  EXPECT_TRUE(commands_.saw("open old folder"));
  window_.clearDirectoryView();
  EXPECT_EQ(files->topLevelItemCount(), 0);

  // The colour list reports the operator's choice, not the controller's.
  commands_.calls.clear();
  window_.setCaptionColourIndex(5);
  EXPECT_EQ(find<QComboBox>("colourCombo")->currentIndex(), 5);
  EXPECT_TRUE(commands_.calls.empty());
  find<QComboBox>("colourCombo")->setCurrentIndex(9);
  EXPECT_EQ(commands_.calls, std::vector<std::string>{"colour 9"});
}

TEST_F(MainWindowTest, TheControllersTextsShowAsGiven) {
  window_.setConnectCaption("切断");
  window_.setStartCaption("送信停止");
  window_.setProgressLabel("カウントダウン");
  window_.setProgressRange(0, 100);
  window_.setProgressPosition(40);
  window_.setCaptureStatus(" 00:00:45");
  window_.setScheduleLines(" 予約なし", " -- 日, --:--:--", "  ");
  window_.setDirectoryLabel("/pub/live");
  window_.setMotionBufferCount(12);
  window_.setStillBufferCount(0);
  window_.setBufferButtonsEnabled(false);
  EXPECT_EQ(find<QPushButton>("connectButton")->text(), QString::fromUtf8("切断"));
  EXPECT_EQ(find<QPushButton>("startButton")->text(), QString::fromUtf8("送信停止"));
  EXPECT_EQ(find<QLabel>("progressLabel")->text(), QString::fromUtf8("カウントダウン"));
  EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 40);
  EXPECT_EQ(find<QLabel>("captureStatus")->text(), " 00:00:45");
  EXPECT_EQ(find<QLabel>("scheduleRemaining")->text(), QString::fromUtf8(" -- 日, --:--:--"));
  EXPECT_EQ(find<QLabel>("scheduleState")->text(), "  ");
  EXPECT_EQ(find<QLabel>("directoryLabel")->text(), "/pub/live");
  EXPECT_EQ(find<QLabel>("motionCount")->text(), "12");
  EXPECT_EQ(find<QLabel>("stillCount")->text(), "0");
  EXPECT_FALSE(find<QPushButton>("deleteBuffersButton")->isEnabled());
  EXPECT_FALSE(find<QPushButton>("resetCounterButton")->isEnabled());
  window_.setBufferButtonsEnabled(true);
  EXPECT_TRUE(find<QPushButton>("deleteBuffersButton")->isEnabled());
}

TEST_F(MainWindowTest, TheCaptionEntryTakesThirtyBytesOfCodePage932) {
  caption()->setFocus();
  type(QString(29, 'a'));
  type(QString::fromUtf8("あ"));  // would make 31 bytes
  EXPECT_EQ(caption()->text(), QString(29, 'a'));
  type("b");  // the 30th byte
  type("c");  // a 31st cannot be typed
  EXPECT_EQ(caption()->text(), QString(29, 'a') + "b");

  caption()->clear();
  type(QString::fromUtf8("字幕のテストです文字数を数えますね"));  // 17 double-byte characters, 15 fit
  EXPECT_EQ(caption()->text(), QString::fromUtf8("字幕のテストです文字数を数えま"));

  QTest::keyClick(caption(), Qt::Key_Return);
  EXPECT_EQ(commands_.calls.back(), "caption 字幕のテストです文字数を数えま");
  // The controller leaves a single blank; what is typed next follows it.
  window_.setCaptionEntry(" ");
  type("next");
  EXPECT_EQ(caption()->text(), " next");
}

TEST_F(MainWindowTest, ThePromptGoesAtTheFirstUseByKeyboardOrMouse) {
  auto showPrompt = [&] {
    window_.setCaptionEntry(kPrompt);  // longer than the limit, shown all the same
    commands_.promptShown = true;
  };
  auto uses = [&] {
    int n = 0;
    for (const auto& c : commands_.calls) n += c == "used";
    return n;
  };

  // Reached with Tab or Shift+Tab: gone before a key can take it.
  for (auto reason : {Qt::TabFocusReason, Qt::BacktabFocusReason}) {
    showPrompt();
    QFocusEvent focus(QEvent::FocusIn, reason);
    QApplication::sendEvent(caption(), &focus);
    EXPECT_TRUE(caption()->text().isEmpty()) << reason;
  }
  // Focus the window hands back when it is activated is not a use.
  showPrompt();
  const int before = uses();
  QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(caption(), &activated);
  EXPECT_EQ(uses(), before);
  EXPECT_EQ(caption()->text(), QString::fromUtf8(kPrompt));
  // ... but the first key typed into it is: the prompt goes, the key stays.
  type("x");
  EXPECT_EQ(caption()->text(), "x");

  // By the mouse: the first press removes it, later presses keep the text.
  showPrompt();
  QTest::mouseClick(caption(), Qt::LeftButton);
  EXPECT_TRUE(caption()->text().isEmpty());
  type("abc");
  QTest::mouseClick(caption(), Qt::LeftButton);
  EXPECT_EQ(caption()->text(), "abc");
}

TEST_F(MainWindowTest, CompactModeShrinksToTheCaptureGroupStaysOnTopAndComesBack) {
  const QSize full = window_.size();
  auto* group = find<QWidget>("captureGroup");
  auto* button = find<QPushButton>("compactButton");
  const QRect g = group->geometry();

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(window_.compact());
  EXPECT_EQ(window_.size(), QSize(g.width() + 2 * g.x(), g.height() + 2 * g.y()));
  EXPECT_TRUE(window_.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(button->text(), QString::fromUtf8("最大化"));
  // The preview and the button itself stay in view.
  EXPECT_TRUE(window_.rect().contains(find<QWidget>("previewFrame")->geometry()));
  EXPECT_TRUE(window_.rect().contains(button->geometry()));
  EXPECT_FALSE(testing::renderToPng(window_, "MainWindowCompact").empty());

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(window_.compact());
  EXPECT_EQ(window_.size(), full);
  EXPECT_FALSE(window_.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(button->text(), QString::fromUtf8("最小化"));
  EXPECT_TRUE(commands_.calls.empty());  // the view's own business
}

TEST_F(MainWindowTest, TheStatusMonitorTakesLinesScrollsSidewaysAndClears) {
  auto* monitor = find<StatusMonitor>("statusMonitor");
  for (int i = 1; i <= 20; ++i) {
    window_.appendStatusLine("(03/03/07-14:05:09)> line " + std::to_string(i));
  }
  window_.removeFirstStatusLine();
  window_.scrollStatusToEnd();
  EXPECT_EQ(monitor->lineCount(), 19);
  EXPECT_EQ(monitor->line(0).toStdString(), "(03/03/07-14:05:09)> line 2");
  EXPECT_EQ(monitor->topLine(), monitor->verticalScrollBar()->maximum());
  EXPECT_GT(monitor->topLine(), 0);

  // A line wider than the view can be scrolled to its end, whatever extent
  // the log gave; the extent never narrows.
  EXPECT_EQ(monitor->horizontalScrollBar()->maximum(), 0);
  const std::string wide(200, 'W');
  window_.setStatusHorizontalExtent(window_.statusTextWidth(wide) / 2);
  window_.appendStatusLine(wide);
  EXPECT_GE(monitor->horizontalScrollBar()->maximum() + window_.statusClientWidth(),
            window_.statusTextWidth(wide));
  EXPECT_GT(window_.statusClientWidth(), 0);

  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), QString::fromUtf8("クリヤー"));
    menu->setActiveAction(menu->actions().front());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(5, 5),
                          monitor->viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(monitor->viewport(), &press);
  EXPECT_EQ(monitor->lineCount(), 0);
  EXPECT_EQ(commands_.calls, std::vector<std::string>{"monitorCleared"});
}

TEST_F(MainWindowTest, TheSettingsButtonAndTheRightButtonShowTheCaptureMenu) {
  CaptureMenuItem about;
  about.command = capturemenu::kAbout;
  about.text = "バージョン情報";
  commands_.menu.items = {about};
  auto choose = [] {
    QTimer::singleShot(0, [] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      menu->setActiveAction(menu->actions().front());
      QTest::keyClick(menu, Qt::Key_Return);
    });
  };
  choose();
  QTest::mouseClick(find<QPushButton>("captureMenuButton"), Qt::LeftButton);
  EXPECT_EQ(commands_.calls, (std::vector<std::string>{"menu", "command 16"}));

  commands_.calls.clear();
  choose();
  auto* preview = find<PreviewWidget>("captureWindow");
  QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(5, 5), preview->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(preview, &press);
  EXPECT_EQ(commands_.calls, (std::vector<std::string>{"menu", "command 16"}));

  // A menu without items (no device) shows nothing.
  commands_.calls.clear();
  commands_.menu.items.clear();
  QTest::mouseClick(find<QPushButton>("captureMenuButton"), Qt::LeftButton);
  EXPECT_EQ(commands_.calls, std::vector<std::string>{"menu"});
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MainWindowTest, EscOkAndCloseRequestsCloseOnlyWhenTheControllerSaysSo) {
  QTest::keyClick(&window_, Qt::Key_Escape);
  EXPECT_EQ(commands_.closeRequests, 1);
  EXPECT_TRUE(window_.isVisible());
  window_.close();
  EXPECT_EQ(commands_.closeRequests, 2);
  EXPECT_TRUE(window_.isVisible());

  commands_.mayClose = true;
  QTest::keyClick(find<QListWidget>("profileList"), Qt::Key_Return);  // OK
  EXPECT_EQ(commands_.closeRequests, 3);
  EXPECT_FALSE(window_.isVisible());

  // The controller closes it when everything is saved, without being asked.
  MainWindow other(runner_);
  RecordingMainCommands refusing;
  other.setCommands(&refusing);
  other.show();
  other.closeWindow();
  EXPECT_FALSE(other.isVisible());
  EXPECT_EQ(refusing.closeRequests, 0);
}

TEST_F(MainWindowTest, SubtitleLinesKeepTheirColourAndInvertItWhenSelected) {
  window_.addSubtitleLine("red caption", 0x0000FF);
  window_.addSubtitleLine("<文字なし>", 0);
  auto* list = find<SubtitleList>("subtitleList");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->colourOf(0), 0x0000FFu);
  EXPECT_EQ(SubtitleList::complementOf(0x0000FF), 0xFFFF00u);

  const QRect line = list->visualItemRect(list->item(0));
  const QImage plain = list->viewport()->grab().toImage();
  EXPECT_EQ(plain.pixelColor(line.right() - 2, line.center().y()),
            list->palette().color(QPalette::Base));
  list->setCurrentRow(0);
  const QImage selected = list->viewport()->grab().toImage();
  EXPECT_EQ(selected.pixelColor(line.right() - 2, line.center().y()), QColor(255, 0, 0));
  // The text is drawn in the complement: cyan pixels on the red fill.
  int cyanish = 0;
  for (int x = line.left(); x < line.left() + 60; ++x) {
    for (int y = line.top(); y <= line.bottom(); ++y) {
      const QColor c = selected.pixelColor(x, y);
      cyanish += c.red() < 100 && c.green() > 150 && c.blue() > 150;
    }
  }
  EXPECT_GT(cyanish, 5);
}

TEST_F(MainWindowTest, TheProgressWindowAndTheExitWaitComeAndGoOverTheWindow) {
  window_.showProgressWindow(true);
  auto* progress = window_.findChild<QDialog*>("progressDialog");
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  window_.setProgressWindowPercent(40);
  EXPECT_EQ(progress->findChild<QProgressBar*>("progressBar1089")->value(), 40);
  window_.showProgressWindow(false);
  EXPECT_FALSE(progress->isVisible());

  window_.showExitWait(true);
  auto* wait = window_.findChild<QDialog*>("exitWaitDialog");
  ASSERT_NE(wait, nullptr);
  EXPECT_TRUE(wait->isVisible());
  EXPECT_TRUE(wait->isModal());
  QTest::keyClick(wait, Qt::Key_Escape);  // no way out for the operator
  wait->close();
  EXPECT_TRUE(wait->isVisible());
  window_.showExitWait(false);
  EXPECT_FALSE(wait->isVisible());
}

TEST_F(MainWindowTest, RendersWithEveryTextInItsControlAndNoControlOverAnother) {
  window_.setProfileLines({"ライブカメラ", "テストサーバー", "本番"}, 0);
  window_.setConnectCaption("切断");
  window_.setCaptureStatus(" キャプチャー中...");
  window_.setProgressRange(0, 6);
  window_.setProgressPosition(4);
  window_.setScheduleLines(" 朝の中継", " 1 日, 01:01:01", " スケジュール定刻");
  window_.setDirectoryLabel("/home/live/camera");
  window_.setMotionBufferCount(12);
  window_.setStillBufferCount(3);
  window_.addDirectoryEntry({"archive", "0", "7/3/2003"});
  for (const char* line : {"(03/03/07-14:05:09)> 127.0.0.1　に接続中",
                           "(03/03/07-14:05:09)> 接続完了",
                           "(03/03/07-14:05:10)> アプロード準備完了!",
                           "(03/03/07-14:05:16)> motion_img_00000000.jpg をアップロード中...",
                           "(03/03/07-14:05:16)> アップロード完了"}) {
    window_.appendStatusLine(line);
  }
  window_.addSubtitleLine("本日は晴天なり", 0x0000FF);
  window_.addSubtitleLine("<文字なし>", 0x008000);
  window_.setCaptionEntry(kPrompt);

  const auto problems = testing::layoutProblems(window_);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(window_, "MainWindow").empty());
}

}  // namespace
}  // namespace karone
