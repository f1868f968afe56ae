#include "tests/support/ui/WidgetRender.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace karone::testing {

std::string renderFolder() { return std::string(KARONE_BINARY_DIR) + "/ui-renders"; }

std::string renderToPng(QWidget& widget, const std::string& name) {
  const QString folder = QString::fromStdString(renderFolder());
  if (!QDir().mkpath(folder)) return "";
  widget.ensurePolished();
  QApplication::processEvents();
  const QString path = folder + "/" + QString::fromStdString(name) + ".png";
  if (!widget.grab().save(path, "PNG")) return "";
  return path.toStdString();
}

}  // namespace karone::testing
