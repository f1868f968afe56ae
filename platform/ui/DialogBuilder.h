#pragma once
// Building a dialog the way its layout is written: every control a child of
// the dialog at x, y, cx, cy dialog units of the dialog's font, named (its
// object name, by which the tests find it) and, where the layout numbers
// it, numbered (the "controlId" property). Group boxes are siblings of the
// controls they frame; make them first so that the controls lie above.
// A drop-down list is given the height of its open list in the layouts:
// the box itself is one line high (at most 13 units) and the open list
// shows as many rows as the rest of that height holds. Group boxes and
// lists are drawn in the DialogStyle.
//
// Threads: window thread.
#include <QString>

#include "platform/ui/DialogUnits.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace karone {

class ReadOnlySpinBox;

class DialogBuilder {
 public:
  // Sets the dialog font on the dialog and fixes its size in units.
  DialogBuilder(QWidget& dialog, int cx, int cy);

  const DialogUnits& units() const { return units_; }

  // Names, numbers and places any widget made with the dialog as parent.
  template <typename W>
  W* put(W* widget, const char* name, int id, int x, int y, int cx, int cy) {
    identify(*widget, name, id);
    units_.place(*widget, x, y, cx, cy);
    return widget;
  }

  QGroupBox* group(const QString& title, const char* name, int id, int x, int y, int cx, int cy);
  QLabel* label(const QString& text, const char* name, int id, int x, int y, int cx, int cy);
  QPushButton* button(const QString& text, const char* name, int id, int x, int y, int cx,
                      int cy);
  QCheckBox* check(const QString& text, const char* name, int id, int x, int y, int cx, int cy);
  QRadioButton* radio(const QString& text, const char* name, int id, int x, int y, int cx,
                      int cy);
  QLineEdit* edit(const char* name, int id, int x, int y, int cx, int cy);
  QComboBox* dropDownList(const char* name, int id, int x, int y, int cx, int cy);
  ReadOnlySpinBox* spin(const char* name, int id, int x, int y, int cx, int cy);

 private:
  static void identify(QWidget& widget, const char* name, int id);

  QWidget& dialog_;
  DialogUnits units_;
};

}  // namespace karone
