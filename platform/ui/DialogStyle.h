#pragma once
// The looks the dialog layouts are written for, on top of the application's
// style, for the widgets DialogBuilder makes:
// - a group box's frame is an etched line whose top runs through the
//   middle of its title (left out behind the title), so controls placed
//   just below the title sit inside the frame rather than on its top line
//   (the application's style may draw the title above the frame and move
//   the frame down onto them);
// - a drop-down list opens below the box as a list of a few rows with a
//   scroll bar (QComboBox::maxVisibleItems) instead of a menu as tall as
//   the screen.
//
// Threads: window thread.
#include <QProxyStyle>

namespace karone {

class DialogStyle final : public QProxyStyle {
  Q_OBJECT

 public:
  DialogStyle() = default;

  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl sub, const QWidget* widget = nullptr) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;
};

}  // namespace karone
