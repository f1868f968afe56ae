#include "app/ui/SubtitleList.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "capture/ui/ColorComboBox.h"

namespace karone {
namespace {

class SubtitleDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const auto colour = index.data(SubtitleList::kColourRole).toUInt();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool enabled = (option.state & QStyle::State_Enabled) != 0;
    const QPalette& palette = option.palette;
    QColor background = palette.color(QPalette::Base);
    QColor foreground;
    if (colour == 0) {
      if (selected) {
        background = palette.color(QPalette::Highlight);
        foreground = palette.color(QPalette::HighlightedText);
      } else {
        foreground = palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                                   QPalette::Text);
      }
    } else if (selected) {
      background = ColorComboBox::toQColor(colour);
      foreground = ColorComboBox::toQColor(SubtitleList::complementOf(colour));
    } else {
      foreground = ColorComboBox::toQColor(colour);
    }
    painter->save();
    painter->fillRect(option.rect, background);
    painter->setPen(foreground);
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 0, -2, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs,
                      index.data(Qt::DisplayRole).toString());
    if ((option.state & QStyle::State_HasFocus) != 0) {
      QPen pen(foreground, 1, Qt::DotLine);
      painter->setPen(pen);
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QWidget* view = option.widget;
    const QStyle* style = view != nullptr ? view->style() : nullptr;
    const int check = style != nullptr ? style->pixelMetric(QStyle::PM_IndicatorHeight) : 13;
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(check, option.fontMetrics.height()));
    return size;
  }
};

}  // namespace

SubtitleList::SubtitleList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new SubtitleDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void SubtitleList::addLine(const QString& text, std::uint32_t colour) {
  auto* item = new QListWidgetItem(text, this);
  item->setData(kColourRole, colour);
  scrollToBottom();
}

std::uint32_t SubtitleList::colourOf(int row) const {
  const QListWidgetItem* line = item(row);
  return line != nullptr ? line->data(kColourRole).toUInt() : 0;
}

}  // namespace karone
