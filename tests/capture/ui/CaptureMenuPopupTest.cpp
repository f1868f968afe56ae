// The capture menu drawn from its model.
#include "capture/ui/CaptureMenuPopup.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace karone {
namespace {

CaptureMenuItem command(int id, const char* text, bool enabled = true, bool checked = false) {
  CaptureMenuItem item;
  item.command = id;
  item.text = text;
  item.enabled = enabled;
  item.checked = checked;
  return item;
}

CaptureMenu sampleMenu() {
  CaptureMenu menu;
  menu.items.push_back(command(capturemenu::kPreview, "プレビュー停止", false));
  CaptureMenuItem sizes;
  sizes.text = "イメージサイズ";
  sizes.isSubmenu = true;
  sizes.submenu = {command(capturemenu::kSize160x120, "160 x 120"),
                   command(capturemenu::kSize320x240, "320 x 240", true, true)};
  menu.items.push_back(sizes);
  CaptureMenuItem sources;
  sources.text = "ビデオソース";
  sources.isSubmenu = true;
  sources.enabled = false;  // a device without inputs
  menu.items.push_back(sources);
  menu.items.push_back(command(16000, "Cam & Co"));
  CaptureMenuItem line;
  line.separator = true;
  menu.items.push_back(line);
  menu.items.push_back(command(capturemenu::kAbout, "バージョン情報"));
  return menu;
}

TEST(CaptureMenuPopup, DrawsTextsChecksGreyingSeparatorsAndSubmenus) {
  auto menu = CaptureMenuPopup::build(sampleMenu(), nullptr);
  const auto actions = menu->actions();
  ASSERT_EQ(actions.size(), 6);
  EXPECT_EQ(actions[0]->text(), QString::fromUtf8("プレビュー停止"));
  EXPECT_FALSE(actions[0]->isEnabled());
  EXPECT_EQ(actions[0]->property(CaptureMenuPopup::kCommandProperty).toInt(),
            capturemenu::kPreview);

  ASSERT_NE(actions[1]->menu(), nullptr);
  EXPECT_EQ(actions[1]->text(), QString::fromUtf8("イメージサイズ"));
  const auto sizes = actions[1]->menu()->actions();
  ASSERT_EQ(sizes.size(), 2);
  EXPECT_FALSE(sizes[0]->isChecked());
  EXPECT_TRUE(sizes[1]->isChecked());

  ASSERT_NE(actions[2]->menu(), nullptr);  // an empty, greyed popup
  EXPECT_FALSE(actions[2]->isEnabled());
  EXPECT_TRUE(actions[2]->menu()->actions().isEmpty());

  EXPECT_EQ(actions[3]->text(), QString::fromUtf8("Cam && Co"));  // shown as "Cam & Co"
  EXPECT_TRUE(actions[4]->isSeparator());
}

TEST(CaptureMenuPopup, ReturnsTheChosenCommandAndNothingWithoutItems) {
  EXPECT_EQ(CaptureMenuPopup::exec(CaptureMenu{}, QPoint(10, 10), nullptr), 0);

  QTimer::singleShot(0, [] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    popup->setActiveAction(popup->actions().at(5));
    QTest::keyClick(popup, Qt::Key_Return);
  });
  EXPECT_EQ(CaptureMenuPopup::exec(sampleMenu(), QPoint(10, 10), nullptr), capturemenu::kAbout);

  QTimer::singleShot(0, [] {
    auto* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Escape);
  });
  EXPECT_EQ(CaptureMenuPopup::exec(sampleMenu(), QPoint(10, 10), nullptr), 0);
}

}  // namespace
}  // namespace karone
