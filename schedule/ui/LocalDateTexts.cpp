#include "schedule/ui/LocalDateTexts.h"

#include <QRegularExpression>

namespace karone {

QDate localDate(Seconds instant) {
  const LocalTime local = toLocalTime(instant);
  return QDate(local.year, local.month, local.day);
}

QTime localTimeOfDay(Seconds instant) {
  const LocalTime local = toLocalTime(instant);
  return QTime(local.hour, local.minute);
}

QString shortDateText(Seconds instant, const QLocale& locale) {
  return locale.toString(localDate(instant), shortDateFormat(locale));
}

QString shortTimeText(Seconds instant, const QLocale& locale) {
  return locale.toString(localTimeOfDay(instant), shortTimeFormat(locale));
}

QString shortDateFormat(const QLocale& locale) { return locale.dateFormat(QLocale::ShortFormat); }

QString shortTimeFormat(const QLocale& locale) {
  // Some locales' short time still carries seconds; they are never used.
  QString format = locale.timeFormat(QLocale::ShortFormat);
  static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
  format.remove(seconds);
  return format;
}

}  // namespace karone
