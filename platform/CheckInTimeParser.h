#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Reads the times CheckInDateTime writes in one locale: the date and time,
// or at midnight the date alone. The locale's formats are taken apart once,
// so that the dates of thousands of versions read quickly; a format with
// parts it does not know is left to QLocale, text by text.
class CheckInTimeParser {
public:
    explicit CheckInTimeParser(const QLocale& locale);

    // The local time text stands for, blanks around it ignored; nothing
    // when it cannot be read. A two-digit year is of this century.
    std::optional<QDateTime> Parse(const QString& text) const;

private:
    struct Part {
        enum Kind { Text, Day, Month, MonthName, Year, Hour, Minute, Second, AmPm };
        Kind kind = Text;
        // The text of a Text part.
        QString text;
        // Most digits of a number.
        int digits = 2;
    };
    struct Fields {
        int year = 0;
        int month = 0;
        int day = 0;
        int hour = 0;
        int minute = 0;
        int second = 0;
        // -1 none, 0 am, 1 pm.
        int half = -1;
    };
    // The parts of format; nothing when it holds one it does not know.
    static std::optional<std::vector<Part>> Split(const QString& format);
    // Reads the whole of text by parts into fields.
    bool Read(QStringView text, const std::vector<Part>& parts, Fields& fields) const;
    // The length of the name in names that text starts with, and its index.
    static qsizetype MatchName(QStringView text, const QStringList& names, int* index);
    std::optional<QDateTime> ParseSlowly(const QString& text) const;

    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    std::optional<std::vector<Part>> dateTimeParts_;
    std::optional<std::vector<Part>> dateParts_;
    // January first; short, long and stand-alone names.
    QStringList monthNames_;
    QStringList halves_;
};
