#pragma once
// Dialog units: the layouts of the windows are given in units of the dialog
// font, so that they keep their proportions whatever the font's size. One
// horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height. The average width is measured as
// the layouts were made: the width of the 52 letters A-Z and a-z, divided by
// 26, plus one, halved (rounding down). A rectangle is converted by its
// edges, so rectangles that touch in units touch in pixels and never
// overlap through rounding.
//
// A plain value; the window thread (it measures with the font).
#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace karone {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  // From measured base units (average character width, height) in pixels.
  DialogUnits(int baseWidth, int baseHeight);

  int baseWidth() const { return baseWidth_; }
  int baseHeight() const { return baseHeight_; }

  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
  QSize toPixels(int cx, int cy) const;
  QRect toPixels(int x, int y, int cx, int cy) const;
  // Moves and sizes the widget to x, y, cx, cy dialog units of its parent.
  void place(QWidget& widget, int x, int y, int cx, int cy) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

}  // namespace karone
