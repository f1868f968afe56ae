#include "platform/ui/DialogFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace karone {
namespace {

// Stand-ins in order of preference: the metric-compatible one first, then
// other proportional Japanese gothics, then fixed-pitch ones.
const char* const kPreferred[] = {
    "IPAPGothic",       "IPA Pゴシック",    "IPAexGothic",      "Noto Sans CJK JP",
    "Noto Sans JP",     "VL PGothic",       "TakaoPGothic",     "Source Han Sans JP",
    "IPAGothic",        "IPAゴシック",      "VL Gothic",        "TakaoGothic",
    "Droid Sans Japanese"};

}  // namespace

QStringList dialogFontFamilies() {
  const QStringList installed = QFontDatabase::families();
  QStringList found;
  for (const char* name : kPreferred) {
    QString family = QString::fromUtf8(name);
    if (installed.contains(family, Qt::CaseInsensitive) && !found.contains(family)) {
      found << family;
    }
  }
  // Any other font that writes Japanese, so that text never falls back to
  // boxes on a system with none of the above.
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
    if (!found.contains(family, Qt::CaseInsensitive)) found << family;
  }
  return found;
}

QFont dialogFont() {
  static bool substituted = false;
  const QStringList families = dialogFontFamilies();
  if (!substituted && !families.isEmpty()) {
    QFont::insertSubstitutions(QString::fromUtf8(kDesignFontFamily), families);
    substituted = true;
  }
  double dpi = 96.0;
  if (auto* screen = QGuiApplication::primaryScreen()) dpi = screen->logicalDotsPerInchY();
  QFont font;
  if (!families.isEmpty()) font.setFamilies(families);
  font.setPixelSize(static_cast<int>(std::lround(kDesignFontPoints * dpi / 72.0)));
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace karone
