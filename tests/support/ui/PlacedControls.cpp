#include "tests/support/ui/PlacedControls.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "platform/ui/DialogUnits.h"

namespace karone::testing {

void expectPlaced(const QWidget& dialog, const std::vector<Placed>& layout) {
  const DialogUnits units(dialog.font());
  for (const Placed& p : layout) {
    const QWidget* w = dialog.findChild<QWidget*>(p.name);
    if (w == nullptr) {
      ADD_FAILURE() << "no control " << p.name;
      continue;
    }
    const QRect want = units.toPixels(p.x, p.y, p.cx, p.cy);
    const QRect got = w->geometry();
    if (qobject_cast<const QComboBox*>(w) != nullptr) {
      EXPECT_EQ(got.topLeft(), want.topLeft()) << p.name;
      EXPECT_EQ(got.width(), want.width()) << p.name;
    } else {
      EXPECT_EQ(got, want) << p.name;
    }
    if (p.text == nullptr) continue;
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w)) text = box->title();
    EXPECT_EQ(text.toStdString(), p.text) << p.name;
  }
}

}  // namespace karone::testing
