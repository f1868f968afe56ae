// Message boxes asked from the window thread and from a worker.
#include "platform/ui/QtPrompter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <thread>

#include "platform/ui/QtTaskRunner.h"
#include "resources/Texts.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/UiDriving.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

using testing::findButton;
using testing::whenModalShows;

QString utf8(Text id) { return QString::fromUtf8(text(id)); }

TEST(QtPrompter, TheBoxCarriesTextCaptionIconAndJapaneseButtons) {
  QtTaskRunner runner;
  QtPrompter prompter(runner);
  QString seenText, seenCaption;
  QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
  QStringList seenButtons;
  whenModalShows([&](QWidget& w) {
    auto& box = dynamic_cast<QMessageBox&>(w);
    seenText = box.text();
    seenCaption = box.windowTitle();
    seenIcon = box.icon();
    for (auto* b : box.buttons()) seenButtons << b->text();
    findButton(box, utf8(Text::ButtonNo))->click();
  });
  PromptAnswer answer = prompter.ask("FTP接続を切断しますか？", "FTPセッション",
                                     PromptButtons::YesNo, PromptIcon::Question);
  EXPECT_EQ(answer, PromptAnswer::No);
  EXPECT_EQ(seenText, QString::fromUtf8("FTP接続を切断しますか？"));
  EXPECT_EQ(seenCaption, QString::fromUtf8("FTPセッション"));
  EXPECT_EQ(seenIcon, QMessageBox::Question);
  EXPECT_TRUE(seenButtons.contains(utf8(Text::ButtonYes)));
  EXPECT_TRUE(seenButtons.contains(utf8(Text::ButtonNo)));
}

TEST(QtPrompter, EscapeAnswersNoOrCancel) {
  for (auto buttons : {PromptButtons::YesNo, PromptButtons::OkCancel, PromptButtons::Ok}) {
    auto box = QtPrompter::makeBox("x", "y", buttons, PromptIcon::Warning, nullptr);
    ASSERT_NE(box->escapeButton(), nullptr);
    EXPECT_EQ(QtPrompter::answerOf(box->standardButton(box->escapeButton()), buttons),
              QtPrompter::refusal(buttons));
  }
  EXPECT_EQ(QtPrompter::refusal(PromptButtons::YesNo), PromptAnswer::No);
  EXPECT_EQ(QtPrompter::refusal(PromptButtons::OkCancel), PromptAnswer::Cancel);
  EXPECT_EQ(QtPrompter::refusal(PromptButtons::Ok), PromptAnswer::Ok);
}

TEST(QtPrompter, AShortQuestionStillShowsItsWholeCaption) {
  const std::pair<Text, Text> boxes[] = {
      {Text::ProfilePortMissing, Text::ProfileIncompleteCaption},
      {Text::ProfileDeleteQuestion, Text::ProfileDeleteCaption},
      {Text::ButtonOk, Text::ScheduleAddTitle},  // the shortest text of all
  };
  for (const auto& [message, caption] : boxes) {
    auto box = QtPrompter::makeBox(text(message), text(caption), PromptButtons::YesNo,
                                   PromptIcon::Warning, nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    const auto problems = testing::layoutProblems(*box);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    if (caption == Text::ScheduleAddTitle) {
      EXPECT_FALSE(testing::renderToPng(*box, "MessageBoxShortText").empty());
    }
  }
}

TEST(QtPrompter, AWorkerIsAnsweredThroughTheWindowThread) {
  QtTaskRunner runner;
  QtPrompter prompter(runner);
  std::thread::id boxThread;
  whenModalShows([&](QWidget& w) {
    boxThread = std::this_thread::get_id();
    findButton(w, utf8(Text::ButtonYes))->click();
  });
  std::optional<PromptAnswer> answer;
  std::thread worker([&] {
    answer = prompter.ask("?", "!", PromptButtons::YesNo, PromptIcon::Question);
  });
  ASSERT_TRUE(testing::processEventsUntil([&] { return answer.has_value(); }));
  worker.join();
  EXPECT_EQ(answer, PromptAnswer::Yes);
  EXPECT_EQ(boxThread, std::this_thread::get_id());
}

TEST(QtPrompter, AWorkerAskingAfterTheWindowThreadShutDownGetsTheRefusal) {
  QtTaskRunner runner;
  QtPrompter prompter(runner);
  runner.shutDown();
  PromptAnswer answer = PromptAnswer::Yes;
  std::thread worker([&] {
    answer = prompter.ask("?", "!", PromptButtons::YesNo, PromptIcon::Question);
  });
  worker.join();  // returns without any event processing here
  EXPECT_EQ(answer, PromptAnswer::No);
}

}  // namespace
}  // namespace karone
