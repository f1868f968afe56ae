#include "app/ui/ProgramIcon.h"

// The icons are compiled into this static library; pull them in by name,
// outside any namespace as Qt asks.
static void loadIconResources() { Q_INIT_RESOURCE(icons); }

namespace karone {

QIcon programIcon() {
  static const bool loaded = (loadIconResources(), true);
  (void)loaded;
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/karone-server-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace karone
