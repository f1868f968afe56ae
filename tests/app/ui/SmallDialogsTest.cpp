// The exit-wait dialog, the progress window and the About box: their texts,
// their layout, their rendering.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/ui/AboutDialog.h"
#include "app/ui/ExitWaitDialog.h"
#include "app/ui/ProgressDialog.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

void expectCleanLayout(QWidget& dialog, const std::string& name) {
  dialog.show();
  const auto problems = testing::layoutProblems(dialog);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_FALSE(testing::renderToPng(dialog, name).empty());
}

TEST(SmallDialogs, ExitWaitHasOnlyItsTextAndNoTitle) {
  ExitWaitDialog dialog;
  const DialogUnits units(dialogFont());
  EXPECT_EQ(dialog.size(), units.toPixels(138, 49));
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowTitleHint);
  EXPECT_TRUE(dialog.findChildren<QPushButton*>().isEmpty());
  EXPECT_EQ(dialog.findChild<QLabel*>("exitWaitText")->text(),
            QString::fromUtf8("終了中... 少々お待ちください！..."));
  expectCleanLayout(dialog, "ExitWaitDialog");
}

TEST(SmallDialogs, TheProgressWindowCountsFromZeroToAHundred) {
  ProgressDialog dialog;
  const DialogUnits units(dialogFont());
  EXPECT_EQ(dialog.size(), units.toPixels(183, 49));
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowTitleHint);
  auto* bar = dialog.findChild<QProgressBar*>("progressBar1089");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  dialog.setPercent(130);
  EXPECT_EQ(dialog.percent(), 100);
  dialog.setPercent(55);
  EXPECT_EQ(dialog.findChild<QLabel*>("progressText")->text(),
            QString::fromUtf8("バッファークリップ消去..."));
  expectCleanLayout(dialog, "ProgressDialog");
}

TEST(SmallDialogs, AboutShowsTheVersionAndClosesWithOk) {
  AboutDialog dialog;
  EXPECT_TRUE(dialog.findChild<QLabel*>("aboutVersion")->text().contains(KARONE_TEST_VERSION));
  EXPECT_FALSE(dialog.findChild<QLabel*>("aboutIcon")->pixmap().isNull());
  expectCleanLayout(dialog, "AboutDialog");
  dialog.findChild<QPushButton*>("okButton")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace karone
