// Dialog units and the dialog font.
#include "platform/ui/DialogUnits.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QWidget>

#include "platform/ui/DialogFont.h"

namespace karone {
namespace {

TEST(DialogUnits, AHorizontalUnitIsAQuarterAndAVerticalUnitAnEighthOfTheBase) {
  DialogUnits units(6, 12);
  EXPECT_EQ(units.toPixelsX(4), 6);
  EXPECT_EQ(units.toPixelsY(8), 12);
  EXPECT_EQ(units.toPixelsX(508), 762);
  EXPECT_EQ(units.toPixelsY(318), 477);
  EXPECT_EQ(units.toPixelsX(1), 2);  // 1.5 rounds up
  EXPECT_EQ(units.toPixelsY(3), 5);  // 4.5 rounds up
  // Rectangles convert by their edges: neighbours touch, never overlap.
  QRect upper = units.toPixels(7, 202, 137, 65);
  QRect lower = units.toPixels(7, 267, 137, 12);
  EXPECT_EQ(upper.bottom() + 1, lower.top());
  QRect left = units.toPixels(160, 267, 79, 13);
  QRect right = units.toPixels(239, 267, 135, 13);
  EXPECT_EQ(left.right() + 1, right.left());
  QWidget w;
  units.place(w, 7, 202, 137, 65);
  EXPECT_EQ(w.geometry(), upper);
}

TEST(DialogUnits, TheBaseWidthComesFromTheFiftyTwoLetters) {
  const QFont font = dialogFont();
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogUnits units(font);
  EXPECT_EQ(units.baseWidth(), (letters / 26 + 1) / 2);
  EXPECT_EQ(units.baseHeight(), metrics.height());
}

TEST(DialogFont, IsEightPointInAJapaneseFontAndTheDesignNameResolvesToIt) {
  const QFont font = dialogFont();
  EXPECT_EQ(font.pixelSize(), 11);  // 8 points at 96 dpi
  const QStringList stand = dialogFontFamilies();
  ASSERT_FALSE(stand.isEmpty()) << "no Japanese font installed";
  if (QFontDatabase::families().contains("IPAPGothic")) {
    EXPECT_EQ(stand.front(), "IPAPGothic");
  }
  EXPECT_EQ(QFontInfo(font).family(), stand.front());
  // Katakana, kanji and the half-width katakana of the labels all have
  // glyphs: no boxes.
  const QFontMetrics metrics(font);
  for (char32_t c : {U'ア', U'画', U'ｰ', U'ﾟ', U'　'}) EXPECT_TRUE(metrics.inFontUcs4(c));
  QFont design(QString::fromUtf8(kDesignFontFamily));
  EXPECT_EQ(QFontInfo(design).family(), stand.front());
}

}  // namespace
}  // namespace karone
