#include "platform/DateTimeText.h"

#include <QLocale>

QString CheckInDateTime(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    return date + u' ' + locale.toString(when.time(), QLocale::LongFormat);
}

QString CheckInDateTimeNow() {
    return CheckInDateTime(QDateTime::currentDateTime());
}
