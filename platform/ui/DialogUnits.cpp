#include "platform/ui/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace karone {
namespace {

// value * numerator / denominator, rounded to the nearest integer (halves
// away from zero).
int mulDiv(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

int averageWidth(const QFontMetrics& metrics) {
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (letters / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(averageWidth(QFontMetrics(font)), QFontMetrics(font).height()) {}

DialogUnits::DialogUnits(int baseWidth, int baseHeight)
    : baseWidth_(baseWidth > 0 ? baseWidth : 1), baseHeight_(baseHeight > 0 ? baseHeight : 1) {}

int DialogUnits::toPixelsX(int units) const { return mulDiv(units, baseWidth_, 4); }
int DialogUnits::toPixelsY(int units) const { return mulDiv(units, baseHeight_, 8); }

QSize DialogUnits::toPixels(int cx, int cy) const { return {toPixelsX(cx), toPixelsY(cy)}; }

QRect DialogUnits::toPixels(int x, int y, int cx, int cy) const {
  const int left = toPixelsX(x);
  const int top = toPixelsY(y);
  return QRect(left, top, toPixelsX(x + cx) - left, toPixelsY(y + cy) - top);
}

void DialogUnits::place(QWidget& widget, int x, int y, int cx, int cy) const {
  widget.setGeometry(toPixels(x, y, cx, cy));
}

}  // namespace karone
