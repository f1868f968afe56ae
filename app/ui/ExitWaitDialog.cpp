#include "app/ui/ExitWaitDialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>

#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {

ExitWaitDialog::ExitWaitDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint) {
  setObjectName("exitWaitDialog");
  setFont(dialogFont());
  const DialogUnits units(font());
  setFixedSize(units.toPixels(138, 49));
  setModal(true);

  auto* border = new QFrame(this);
  border->setObjectName("exitWaitBorder");
  border->setFrameStyle(QFrame::Panel | QFrame::Raised);
  border->setGeometry(rect());

  auto* label = new QLabel(qtext(Text::ExitWaitText), this);
  label->setObjectName("exitWaitText");
  label->setAlignment(Qt::AlignCenter);
  units.place(*label, 7, 19, 124, 10);
}

void ExitWaitDialog::start() {
  finishing_ = false;
  if (parentWidget() != nullptr) {
    move(parentWidget()->geometry().center() - rect().center());
  }
  open();
}

void ExitWaitDialog::finish() {
  finishing_ = true;
  done(Accepted);
}

void ExitWaitDialog::closeEvent(QCloseEvent* event) {
  if (finishing_) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

}  // namespace karone
