#pragma once
// Dates and times of day of the scheduler dialogs, written the Japanese way
// whatever locale the process runs in (a service or container often runs
// with LANG=C.UTF-8, and the window is Japanese throughout): 2026/12/08,
// 9:05, and Japanese month and weekday names in the date pickers. The
// calendar work stays with the program's own local time (Clock.h); the
// locale only writes the result.
//
// Threads: window thread.
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "platform/Clock.h"

namespace karone {

// The locale of every date and time the window shows.
QLocale windowLocale();

QDate localDate(Seconds instant);
QTime localTimeOfDay(Seconds instant);  // hours and minutes; seconds 0
QString shortDateText(Seconds instant);
QString shortTimeText(Seconds instant);
// The display formats of the date and time pickers.
QString shortDateFormat();
QString shortTimeFormat();

}  // namespace karone
