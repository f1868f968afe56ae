#include "capture/ui/CaptureMenuPopup.h"

#include <QAction>
#include <QMenu>

#include "platform/ui/DialogFont.h"

namespace karone {
namespace {

QString menuText(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
      .replace('&', QStringLiteral("&&"));
}

void fill(QMenu& menu, const std::vector<CaptureMenuItem>& items) {
  for (const auto& item : items) {
    if (item.separator) {
      menu.addSeparator();
      continue;
    }
    if (item.isSubmenu || !item.submenu.empty()) {
      QMenu* sub = menu.addMenu(menuText(item.text));
      sub->setFont(menu.font());
      fill(*sub, item.submenu);
      sub->menuAction()->setEnabled(item.enabled);
      continue;
    }
    QAction* action = menu.addAction(menuText(item.text));
    action->setProperty(CaptureMenuPopup::kCommandProperty, item.command);
    action->setEnabled(item.enabled);
    // Only checked items carry a mark, as in a plain menu.
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
  }
}

}  // namespace

std::unique_ptr<QMenu> CaptureMenuPopup::build(const CaptureMenu& menu, QWidget* parent) {
  auto popup = std::make_unique<QMenu>(parent);
  popup->setFont(dialogFont());
  fill(*popup, menu.items);
  return popup;
}

int CaptureMenuPopup::exec(const CaptureMenu& menu, const QPoint& globalPosition,
                           QWidget* parent) {
  if (menu.items.empty()) return 0;
  auto popup = build(menu, parent);
  QAction* chosen = popup->exec(globalPosition);
  if (chosen == nullptr) return 0;
  return chosen->property(kCommandProperty).toInt();
}

}  // namespace karone
