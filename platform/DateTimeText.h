#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The time stamp of a check-out or check-in as the user's system writes it:
// the locale's short date, a blank and its long time; at exactly midnight
// the date alone.
QString CheckInDateTime(const QDateTime& when, const QLocale& locale);

// CheckInDateTime of the current local time in the system's locale.
QString CheckInDateTimeNow();

// The locale's long time format without the time zone.
QString LongTimeFormat(const QLocale& locale);
