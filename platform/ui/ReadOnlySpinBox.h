#pragma once
// A number in an edit that cannot be typed into, with an up-down attached
// on its right: the arrows, the arrow keys and the mouse wheel step it
// within its range, and nothing else changes it.
//
// Threads: window thread.
#include <QSpinBox>

namespace karone {

class ReadOnlySpinBox final : public QSpinBox {
  Q_OBJECT

 public:
  explicit ReadOnlySpinBox(QWidget* parent = nullptr);
};

}  // namespace karone
