#include "platform/ui/ReadOnlySpinBox.h"

#include <QLineEdit>

namespace karone {

ReadOnlySpinBox::ReadOnlySpinBox(QWidget* parent) : QSpinBox(parent) {
  lineEdit()->setReadOnly(true);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace karone
