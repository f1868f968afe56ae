#pragma once
// Draws the capture menu as a popup menu: items with their texts, check
// marks, greying and separators, submenus for the popups; the chosen item's
// command comes back to the caller. A text's '&' is shown as it is (device
// names may hold one).
//
// Threads: window thread.
#include <QPoint>
#include <memory>

#include "capture/CaptureMenu.h"

class QMenu;
class QWidget;

namespace karone {

class CaptureMenuPopup {
 public:
  // The property of each command's action that holds its command.
  static constexpr const char* kCommandProperty = "captureCommand";

  // The menu for the model (empty when the model has no items).
  static std::unique_ptr<QMenu> build(const CaptureMenu& menu, QWidget* parent);
  // Shows the menu at a screen position and returns the command chosen, or
  // 0 when the operator chose none or the model has no items (no menu
  // appears then).
  static int exec(const CaptureMenu& menu, const QPoint& globalPosition, QWidget* parent);
};

}  // namespace karone
