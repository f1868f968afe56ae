#include "app/ui/ProgressDialog.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint) {
  setObjectName("progressDialog");
  setFont(dialogFont());
  const DialogUnits units(font());
  setFixedSize(units.toPixels(183, 49));

  auto* border = new QFrame(this);
  border->setObjectName("progressBorder");
  border->setFrameStyle(QFrame::Panel | QFrame::Raised);
  border->setGeometry(rect());

  auto* label = new QLabel(qtext(Text::ProgressWindowText), this);
  label->setObjectName("progressText");
  units.place(*label, 7, 9, 169, 10);

  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar1089");
  bar_->setProperty("controlId", 1089);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  units.place(*bar_, 7, 25, 169, 12);
}

void ProgressDialog::showCentred(bool visible) {
  if (!visible) {
    hide();
    return;
  }
  if (parentWidget() != nullptr) {
    move(parentWidget()->geometry().center() - rect().center());
  }
  show();
  raise();
}

void ProgressDialog::setPercent(int percent) { bar_->setValue(std::clamp(percent, 0, 100)); }

int ProgressDialog::percent() const { return bar_->value(); }

}  // namespace karone
