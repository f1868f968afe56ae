#include "capture/ui/ColorComboBox.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "capture/CaptionColours.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// Draws the list's items as swatches.
class SwatchDelegate final : public QStyledItemDelegate {
 public:
  explicit SwatchDelegate(ColorComboBox& box) : QStyledItemDelegate(&box), box_(box) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    box_.drawSwatch(*painter, option.rect, index.row(),
                    (option.state & QStyle::State_Selected) != 0);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), option.fontMetrics.height() + 4);
  }

 private:
  ColorComboBox& box_;
};

}  // namespace

ColorComboBox::ColorComboBox(QWidget* parent)
    : QComboBox(parent), systemTextColour_(fromQColor(palette().color(QPalette::WindowText))) {
  setItemDelegate(new SwatchDelegate(*this));
  for (int i = 0; i < kCaptionColourCount; ++i) addItem(QString());
  setMaxVisibleItems(kCaptionColourCount);
  setCurrentIndex(0);
}

QColor ColorComboBox::toQColor(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

std::uint32_t ColorComboBox::fromQColor(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) |
         static_cast<std::uint32_t>(colour.green()) << 8 |
         static_cast<std::uint32_t>(colour.blue()) << 16;
}

std::uint32_t ColorComboBox::colorAt(int index) const {
  return captionColourAt(index, systemTextColour_);
}

void ColorComboBox::drawSwatch(QPainter& painter, const QRect& rect, int index,
                               bool selected) const {
  painter.save();
  const QRect inner = rect.adjusted(2, 2, -2, -2);
  painter.fillRect(inner, toQColor(colorAt(index)));
  if (selected) {
    // A dotted focus rectangle that shows on any colour.
    QPen pen(Qt::white, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner.adjusted(0, 0, -1, -1));
    pen.setColor(Qt::black);
    pen.setDashOffset(1);
    painter.setPen(pen);
    painter.drawRect(inner.adjusted(0, 0, -1, -1));
  }
  if (index == kSystemTextColourIndex) {
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine,
                     qtext(Text::ColourAutomatic));
  }
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  painter.restore();
}

void ColorComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  if (currentIndex() >= 0) drawSwatch(painter, field, currentIndex(), hasFocus());
}

}  // namespace karone
