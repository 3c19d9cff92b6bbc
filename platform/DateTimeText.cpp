#include "platform/DateTimeText.h"

#include <QLocale>
#include <QRegularExpression>

QString CheckInDateTime(const QDateTime& when, const QLocale& locale) {
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    return date + u' ' + locale.toString(when.time(), LongTimeFormat(locale));
}

QString LongTimeFormat(const QLocale& locale) {
    // The long time of the Windows build has seconds but no time zone;
    // Qt's adds the zone ("t"), which would only date the record twice.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return format.trimmed();
}

QString CheckInDateTimeNow() {
    return CheckInDateTime(QDateTime::currentDateTime(), QLocale::system());
}
