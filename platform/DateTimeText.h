#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The time stamp of a check-out or check-in as the user's system writes it:
// the short date, a blank and the long time; at exactly midnight the date
// alone.
QString CheckInDateTime(const QDateTime& when);

// CheckInDateTime of the current local time.
QString CheckInDateTimeNow();

// The locale's long time format without the time zone.
QString LongTimeFormat(const QLocale& locale);
