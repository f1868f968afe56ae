#include "tests/support/ui/LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTreeView>
#include <QWidget>

#include "platform/ui/DialogStyle.h"
#include "platform/ui/TitleWidth.h"

namespace karone::testing {
namespace {

bool isPlainFrame(const QWidget& w) { return w.metaObject() == &QFrame::staticMetaObject; }

bool isContainer(const QWidget& w) {
  return qobject_cast<const QGroupBox*>(&w) != nullptr || isPlainFrame(w);
}

std::string describe(const QWidget& w) {
  std::string text;
  if (auto* label = qobject_cast<const QLabel*>(&w)) text = label->text().toStdString();
  if (auto* button = qobject_cast<const QAbstractButton*>(&w)) text = button->text().toStdString();
  if (auto* box = qobject_cast<const QGroupBox*>(&w)) text = box->title().toStdString();
  std::string out = w.objectName().toStdString() + " (" + w.metaObject()->className();
  if (!text.empty()) out += " \"" + text + "\"";
  return out + ")";
}

// The visible controls and containers under parent, depth first.
void collect(const QWidget& window, const QWidget& parent, std::vector<const QWidget*>& controls,
             std::vector<const QWidget*>& containers) {
  for (QObject* child : parent.children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w == nullptr || w->isWindow() || !w->isVisibleTo(&window)) continue;
    if (isContainer(*w)) {
      containers.push_back(w);
      collect(window, *w, controls, containers);
    } else {
      controls.push_back(w);
    }
  }
}

QRect inWindow(const QWidget& window, const QWidget& w) {
  return QRect(w.mapTo(&window, QPoint(0, 0)), w.size());
}

QSize textSize(const QFontMetrics& metrics, const QString& text) {
  return metrics.size(Qt::TextShowMnemonic, text);
}

void checkText(const QWidget& w, std::vector<std::string>& problems) {
  const QFontMetrics metrics(w.font());
  auto tooBig = [&](const QSize& need, const QRect& room) {
    return need.width() > room.width() || need.height() > room.height();
  };
  auto report = [&](const QSize& need, const QRect& room) {
    problems.push_back("text does not fit: " + describe(w) + " needs " +
                       std::to_string(need.width()) + "x" + std::to_string(need.height()) +
                       ", has " + std::to_string(room.width()) + "x" +
                       std::to_string(room.height()));
  };

  if (auto* label = qobject_cast<const QLabel*>(&w)) {
    if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return;
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    QSize need;
    if (label->wordWrap()) {
      need = metrics.boundingRect(QRect(0, 0, room.width(), 10000),
                                  Qt::TextWordWrap | Qt::TextShowMnemonic, label->text())
                 .size();
    } else {
      need = textSize(metrics, label->text());
    }
    if (tooBig(need, room)) report(need, room);
    return;
  }
  if (auto* button = qobject_cast<const QPushButton*>(&w)) {
    if (button->text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features = button->isDefault() ? QStyleOptionButton::DefaultButton
                                          : QStyleOptionButton::None;
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option,
                                                       button);
    const QSize need = textSize(metrics, button->text());
    if (tooBig(need, room)) report(need, room);
    return;
  }
  if (auto* box = qobject_cast<const QGroupBox*>(&w)) {
    if (box->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    const QSize need = textSize(metrics, box->title());
    if (!box->rect().contains(label) || tooBig(need, label)) report(need, label);
    return;
  }
  if (auto* table = qobject_cast<const QTableView*>(&w)) {
    // Every cell's text within its column, with the margins the item
    // delegate draws it with (icons are the column's own business).
    const QAbstractItemModel* model = table->model();
    const QFontMetrics cellMetrics(table->font());
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    for (int column = 0; model != nullptr && column < model->columnCount(); ++column) {
      if (table->isColumnHidden(column)) continue;
      for (int row = 0; row < model->rowCount(); ++row) {
        const QString cell = model->index(row, column).data(Qt::DisplayRole).toString();
        if (cell.trimmed().isEmpty()) continue;
        const int need = cellMetrics.horizontalAdvance(cell) + 2 * margin;
        if (need > table->columnWidth(column)) {
          problems.push_back("cell text does not fit: " + describe(w) + " row " +
                             std::to_string(row) + " column " + std::to_string(column) + " \"" +
                             cell.toStdString() + "\" needs " + std::to_string(need) + ", has " +
                             std::to_string(table->columnWidth(column)));
        }
      }
    }
    return;
  }
  if (auto* view = qobject_cast<const QTreeView*>(&w)) {
    const QHeaderView* header = view->header();
    if (header == nullptr || header->isHidden()) return;
    const QFontMetrics headerMetrics(header->font());
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int i = 0; i < header->count(); ++i) {
      const QString title = view->model()->headerData(i, Qt::Horizontal).toString();
      const QSize need(headerMetrics.horizontalAdvance(title) + 2 * margin, headerMetrics.height());
      const QRect room(0, 0, header->sectionSize(i), header->height());
      if (tooBig(need, room)) {
        problems.push_back("header text does not fit: " + describe(w) + " column " +
                           std::to_string(i) + " \"" + title.toStdString() + "\"");
      }
    }
  }
}

}  // namespace

std::vector<std::string> layoutProblems(const QWidget& window, const AllowedOverlaps& allowed) {
  std::vector<std::string> problems;
  std::vector<const QWidget*> controls;
  std::vector<const QWidget*> containers;
  collect(window, window, controls, containers);

  if (window.isWindow() && !window.windowTitle().isEmpty() &&
      window.width() < widthForTitle(window.windowTitle())) {
    problems.push_back("title does not fit: \"" + window.windowTitle().toStdString() + "\" needs " +
                       std::to_string(widthForTitle(window.windowTitle())) + ", has " +
                       std::to_string(window.width()));
  }
  const QRect bounds = window.rect();
  for (const QWidget* w : containers) {
    if (!bounds.contains(inWindow(window, *w))) problems.push_back("outside the window: " + describe(*w));
    checkText(*w, problems);
  }
  for (const QWidget* w : controls) {
    if (!bounds.contains(inWindow(window, *w))) problems.push_back("outside the window: " + describe(*w));
    checkText(*w, problems);
  }
  // A group box's title and frame line are drawn where the style puts them;
  // any other control lies wholly inside the frame or clear of it and its
  // title.
  for (const QWidget* w : containers) {
    auto* box = qobject_cast<const QGroupBox*>(w);
    if (box == nullptr) continue;
    if (qobject_cast<const DialogStyle*>(box->style()) == nullptr) {
      // Other styles may report one frame and draw another.
      problems.push_back("not in the dialog style: " + describe(*box));
      continue;
    }
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QPoint at = box->mapTo(&window, QPoint(0, 0));
    const QRect frame =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, box)
            .translated(at);
    const QRect title =
        box->title().isEmpty()
            ? QRect()
            : box->style()
                  ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box)
                  .translated(at);
    auto check = [&](const QWidget& other) {
      if (&other == w) return;
      const QRect r = inWindow(window, other);
      if (r.contains(inWindow(window, *box))) return;  // around the box
      if (title.isValid() && r.intersects(title)) {
        problems.push_back("on the title of " + describe(*box) + ": " + describe(other));
      } else if (r.intersects(frame) && !frame.adjusted(1, 1, -1, -1).contains(r)) {
        problems.push_back("crosses the frame of " + describe(*box) + ": " + describe(other));
      }
    };
    for (const QWidget* other : controls) check(*other);
    for (const QWidget* other : containers) check(*other);
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const QRect a = inWindow(window, *controls[i]);
      const QRect b = inWindow(window, *controls[j]);
      if (!a.intersects(b)) continue;
      const std::string first = controls[i]->objectName().toStdString();
      const std::string second = controls[j]->objectName().toStdString();
      if (allowed.count({first, second}) != 0 || allowed.count({second, first}) != 0) continue;
      problems.push_back("overlap: " + describe(*controls[i]) + " and " + describe(*controls[j]));
    }
  }
  return problems;
}

}  // namespace karone::testing
