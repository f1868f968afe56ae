#include "app/ui/AboutDialog.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/ui/ProgramIcon.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutDialog");
  setWindowTitle(qtext(Text::AboutTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(dialogFont());
  const DialogUnits units(font());
  setFixedSize(units.toPixels(235, 55));

  auto* icon = new QLabel(this);
  icon->setObjectName("aboutIcon");
  units.place(*icon, 11, 17, 20, 20);
  icon->setPixmap(programIcon().pixmap(icon->size()));

  auto* version = new QLabel(
      QString::fromStdString(formatText(Text::AboutVersion, KARONE_VERSION)), this);
  version->setObjectName("aboutVersion");
  units.place(*version, 40, 10, 119, 8);

  auto* platform = new QLabel(QString::fromStdString(formatText(Text::AboutSecondLine, qVersion())),
                              this);
  platform->setObjectName("aboutSecondLine");
  units.place(*platform, 40, 25, 119, 8);

  auto* ok = new QPushButton(qtext(Text::ButtonOk), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  units.place(*ok, 178, 7, 50, 14);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace karone
