#include "platform/ui/TitleWidth.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include "platform/ui/DialogFont.h"

namespace karone {

int widthForTitle(const QString& title) {
  // Title bars use a bold face of about 10 points; ours stands in for it.
  QFont font = dialogFont();
  font.setBold(true);
  font.setPointSizeF(10);
  const QFontMetrics metrics(font);
  // An icon on the left and up to three buttons on the right, each about a
  // bar's height square, and a margin at either end.
  const int bar = metrics.height() + 8;
  return metrics.horizontalAdvance(title) + 4 * bar + 2 * 8;
}

}  // namespace karone
