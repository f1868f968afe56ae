#include "platform/ui/DialogBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogStyle.h"
#include "platform/ui/ReadOnlySpinBox.h"

namespace karone {
namespace {

// A closed drop-down list is at most as high as the layouts leave room for
// between two rows.
constexpr int kClosedListHeight = 13;

QFont fontFor(QWidget& dialog) {
  dialog.setFont(dialogFont());
  return dialog.font();
}

// One style for the group boxes and lists of a dialog, going with it.
DialogStyle& styleOf(QWidget& dialog) {
  auto* style = dialog.findChild<DialogStyle*>(QString(), Qt::FindDirectChildrenOnly);
  if (style == nullptr) {
    style = new DialogStyle;
    style->setParent(&dialog);
  }
  return *style;
}

}  // namespace

DialogBuilder::DialogBuilder(QWidget& dialog, int cx, int cy)
    : dialog_(dialog), units_(fontFor(dialog)) {
  dialog.setFixedSize(units_.toPixels(cx, cy));
}

void DialogBuilder::identify(QWidget& widget, const char* name, int id) {
  widget.setObjectName(name);
  if (id != 0) widget.setProperty("controlId", id);
}

QGroupBox* DialogBuilder::group(const QString& title, const char* name, int id, int x, int y,
                                int cx, int cy) {
  auto* box = new QGroupBox(title, &dialog_);
  box->setStyle(&styleOf(dialog_));
  return put(box, name, id, x, y, cx, cy);
}

QLabel* DialogBuilder::label(const QString& text, const char* name, int id, int x, int y, int cx,
                             int cy) {
  return put(new QLabel(text, &dialog_), name, id, x, y, cx, cy);
}

QPushButton* DialogBuilder::button(const QString& text, const char* name, int id, int x, int y,
                                   int cx, int cy) {
  return put(new QPushButton(text, &dialog_), name, id, x, y, cx, cy);
}

QCheckBox* DialogBuilder::check(const QString& text, const char* name, int id, int x, int y,
                                int cx, int cy) {
  return put(new QCheckBox(text, &dialog_), name, id, x, y, cx, cy);
}

QRadioButton* DialogBuilder::radio(const QString& text, const char* name, int id, int x, int y,
                                   int cx, int cy) {
  return put(new QRadioButton(text, &dialog_), name, id, x, y, cx, cy);
}

QLineEdit* DialogBuilder::edit(const char* name, int id, int x, int y, int cx, int cy) {
  return put(new QLineEdit(&dialog_), name, id, x, y, cx, cy);
}

QComboBox* DialogBuilder::dropDownList(const char* name, int id, int x, int y, int cx, int cy) {
  auto* combo = put(new QComboBox(&dialog_), name, id, x, y, cx, cy);
  combo->setEditable(false);
  combo->setStyle(&styleOf(dialog_));
  combo->resize(combo->width(), std::min(combo->sizeHint().height(), units_.toPixelsY(kClosedListHeight)));
  // The open list takes the rest of the layout's height, a row a line.
  const int rows = (units_.toPixelsY(cy) - combo->height()) / std::max(1, combo->fontMetrics().height());
  combo->setMaxVisibleItems(std::max(rows, 1));
  return combo;
}

ReadOnlySpinBox* DialogBuilder::spin(const char* name, int id, int x, int y, int cx, int cy) {
  return put(new ReadOnlySpinBox(&dialog_), name, id, x, y, cx, cy);
}

}  // namespace karone
