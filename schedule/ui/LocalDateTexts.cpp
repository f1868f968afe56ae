#include "schedule/ui/LocalDateTexts.h"

#include <QRegularExpression>

namespace karone {

QLocale windowLocale() { return QLocale(QLocale::Japanese, QLocale::Japan); }

QDate localDate(Seconds instant) {
  const LocalTime local = toLocalTime(instant);
  return QDate(local.year, local.month, local.day);
}

QTime localTimeOfDay(Seconds instant) {
  const LocalTime local = toLocalTime(instant);
  return QTime(local.hour, local.minute);
}

QString shortDateText(Seconds instant) {
  return windowLocale().toString(localDate(instant), shortDateFormat());
}

QString shortTimeText(Seconds instant) {
  return windowLocale().toString(localTimeOfDay(instant), shortTimeFormat());
}

QString shortDateFormat() { return windowLocale().dateFormat(QLocale::ShortFormat); }

QString shortTimeFormat() {
  // Seconds are never used, should the short time carry them.
  QString format = windowLocale().timeFormat(QLocale::ShortFormat);
  static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
  format.remove(seconds);
  return format;
}

}  // namespace karone
