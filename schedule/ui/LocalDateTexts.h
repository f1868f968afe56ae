#pragma once
// Dates and times of day of the scheduler dialogs in the user's locale:
// the locale's short date (2026/12/08 on a Japanese desktop) and its time
// without seconds (9:05). The calendar work stays with the program's own
// local time (Clock.h); the locale only writes the result.
//
// Threads: window thread.
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "platform/Clock.h"

namespace karone {

QDate localDate(Seconds instant);
QTime localTimeOfDay(Seconds instant);  // hours and minutes; seconds 0
QString shortDateText(Seconds instant, const QLocale& locale);
QString shortTimeText(Seconds instant, const QLocale& locale);
// The display formats of the date and time pickers.
QString shortDateFormat(const QLocale& locale);
QString shortTimeFormat(const QLocale& locale);

}  // namespace karone
