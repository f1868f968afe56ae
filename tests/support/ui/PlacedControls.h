#pragma once
// Checks that the controls of a dialog sit where its layout puts them, in
// dialog units of the dialog's font, with their texts. A drop-down list is
// checked for its position and width only (its layout height is the open
// list's).
#include <vector>

class QWidget;

namespace karone::testing {

struct Placed {
  const char* name;  // object name
  int x, y, cx, cy;  // dialog units
  const char* text;  // label, button or group title; nullptr: not compared
};

// Adds a GoogleTest failure for every control that is missing, misplaced
// or has another text.
void expectPlaced(const QWidget& dialog, const std::vector<Placed>& layout);

}  // namespace karone::testing
