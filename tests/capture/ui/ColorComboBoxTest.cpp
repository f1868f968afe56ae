// The caption colour list: its entries, its colours and its swatches.
#include "capture/ui/ColorComboBox.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>

#include "platform/ui/DialogFont.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

QImage swatch(const ColorComboBox& box, int index, bool selected) {
  QImage image(62, 16, QImage::Format_RGB32);
  image.fill(QColor(0x11, 0x22, 0x33));
  QPainter painter(&image);
  box.drawSwatch(painter, image.rect(), index, selected);
  return image;
}

TEST(ColorComboBox, SeventeenUntitledEntriesTheFirstSelectedTheLastThePalettesTextColour) {
  ColorComboBox box;
  ASSERT_EQ(box.count(), 17);
  for (int i = 0; i < box.count(); ++i) EXPECT_TRUE(box.itemText(i).isEmpty());
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.colorAt(0), 0x000000u);
  EXPECT_EQ(box.colorAt(9), 0x0000FFu);   // pure red
  EXPECT_EQ(box.colorAt(12), 0xFF0000u);  // pure blue
  EXPECT_EQ(box.colorAt(15), 0xFFFFFFu);
  EXPECT_EQ(box.colorAt(17), 0x000000u);
  const QColor text = box.palette().color(QPalette::WindowText);
  EXPECT_EQ(ColorComboBox::toQColor(box.colorAt(16)), text);
  EXPECT_EQ(box.systemTextColour(), ColorComboBox::fromQColor(text));
}

TEST(ColorComboBox, ASwatchIsItsColourInsetTwoPixelsInABlackFrame) {
  ColorComboBox box;
  const QImage red = swatch(box, 9, false);
  EXPECT_EQ(red.pixelColor(0, 0), QColor(Qt::black));    // the frame
  EXPECT_EQ(red.pixelColor(61, 15), QColor(Qt::black));
  EXPECT_EQ(red.pixelColor(1, 1), QColor(0x11, 0x22, 0x33));  // between frame and colour
  EXPECT_EQ(red.pixelColor(2, 2), QColor(255, 0, 0));
  EXPECT_EQ(red.pixelColor(31, 8), QColor(255, 0, 0));
  EXPECT_EQ(swatch(box, 12, false).pixelColor(31, 8), QColor(0, 0, 255));

  // Selected: a focus rectangle on the inset area, the middle untouched.
  const QImage focused = swatch(box, 9, true);
  int marked = 0;
  for (int x = 2; x < 60; ++x) marked += focused.pixelColor(x, 2) != QColor(255, 0, 0);
  EXPECT_GT(marked, 10);
  EXPECT_EQ(focused.pixelColor(31, 8), QColor(255, 0, 0));

  // The last entry carries its label in white on the text colour.
  const QImage automatic = swatch(box, 16, false);
  automatic.save(QString::fromStdString(testing::renderFolder()) + "/ColorComboBoxAutomatic.png");
  int light = 0;
  for (int y = 3; y < 13; ++y) {
    for (int x = 3; x < 59; ++x) light += automatic.pixelColor(x, y).lightness() > 200;
  }
  EXPECT_GT(light, 10);
}

TEST(ColorComboBox, RendersTheBoxAndItsOpenList) {
  ColorComboBox box;
  box.setFont(dialogFont());
  box.resize(93, 22);
  box.setCurrentIndex(9);
  box.show();
  EXPECT_FALSE(testing::renderToPng(box, "ColorComboBox").empty());
  box.showPopup();
  QWidget* list = box.view()->window();
  ASSERT_TRUE(list->isVisible());
  EXPECT_FALSE(testing::renderToPng(*list, "ColorComboBoxList").empty());
  box.hidePopup();
}

}  // namespace
}  // namespace karone
