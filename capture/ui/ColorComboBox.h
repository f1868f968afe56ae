#pragma once
// The caption colour list: a drop-down list of 17 colour swatches, no texts.
// Each swatch is its colour inset by 2 pixels inside a 1-pixel black frame,
// with a focus rectangle on the inset area when it is the selected one; the
// last (index 16) is the window-text colour of the palette, read when the
// list is made, labelled "自動設定" in white. The box itself shows the
// selected swatch. Starts with item 0 selected.
//
// Threads: window thread.
#include <QComboBox>
#include <cstdint>

class QPainter;

namespace karone {

class ColorComboBox final : public QComboBox {
  Q_OBJECT

 public:
  explicit ColorComboBox(QWidget* parent = nullptr);

  // The colour of an entry, 0x00BBGGRR (red in the lowest byte); black for
  // an index outside the list.
  std::uint32_t colorAt(int index) const;
  // What entry 16 stands for.
  std::uint32_t systemTextColour() const { return systemTextColour_; }

  // Draws the swatch of an entry into rect.
  void drawSwatch(QPainter& painter, const QRect& rect, int index, bool selected) const;

  static QColor toQColor(std::uint32_t colour);
  static std::uint32_t fromQColor(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t systemTextColour_;
};

}  // namespace karone
