#include "platform/CheckInTimeParser.h"

#include "platform/DateTimeText.h"

CheckInTimeParser::CheckInTimeParser(const QLocale& locale)
    : locale_(locale), dateFormat_(locale.dateFormat(QLocale::ShortFormat)),
      timeFormat_(dateFormat_ + u' ' + LongTimeFormat(locale)) {
    dateTimeParts_ = Split(timeFormat_);
    dateParts_ = Split(dateFormat_);
    for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        for (int month = 1; month <= 12; ++month)
            monthNames_ << locale.monthName(month, format);
        for (int month = 1; month <= 12; ++month)
            monthNames_ << locale.standaloneMonthName(month, format);
    }
    halves_ << locale.amText() << locale.pmText();
}

std::optional<std::vector<CheckInTimeParser::Part>>
CheckInTimeParser::Split(const QString& format) {
    std::vector<Part> parts;
    auto addText = [&parts](QChar c) {
        if (parts.empty() || parts.back().kind != Part::Text)
            parts.push_back(Part());
        parts.back().text += c;
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            // Quoted text; two quotes stand for one.
            ++i;
            if (i < format.size() && format[i] == u'\'') {
                addText(u'\'');
                ++i;
                continue;
            }
            for (; i < format.size(); ++i) {
                if (format[i] == u'\'') {
                    if (i + 1 < format.size() && format[i + 1] == u'\'') {
                        addText(u'\'');
                        ++i;
                        continue;
                    }
                    break;
                }
                addText(format[i]);
            }
            ++i;
            continue;
        }
        if (!c.isLetter()) {
            addText(c);
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        Part part;
        if (c == u'd' && run <= 2) {
            part.kind = Part::Day;
        } else if (c == u'M' && run <= 2) {
            part.kind = Part::Month;
        } else if (c == u'M' && run <= 4) {
            part.kind = Part::MonthName;
        } else if (c == u'y' && (run == 2 || run == 4)) {
            part.kind = Part::Year;
            part.digits = int(run);
        } else if ((c == u'H' || c == u'h') && run <= 2) {
            part.kind = Part::Hour;
        } else if (c == u'm' && run <= 2) {
            part.kind = Part::Minute;
        } else if (c == u's' && run <= 2) {
            part.kind = Part::Second;
        } else if ((c == u'A' || c == u'a') && run == 1) {
            part.kind = Part::AmPm;
            // "AP" and "ap" are one part.
            if (i + 1 < format.size() && format[i + 1].toLower() == u'p')
                ++run;
        } else {
            // Week days, milliseconds, time zones: QLocale reads those.
            return std::nullopt;
        }
        parts.push_back(part);
        i += run;
    }
    return parts;
}

qsizetype CheckInTimeParser::MatchName(QStringView text, const QStringList& names, int* index) {
    qsizetype best = 0;
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (name.size() > best && text.startsWith(name, Qt::CaseInsensitive)) {
            best = name.size();
            *index = i;
        }
    }
    return best;
}

bool CheckInTimeParser::Read(QStringView text, const std::vector<Part>& parts,
                             Fields& fields) const {
    qsizetype at = 0;
    for (const Part& part : parts) {
        const QStringView rest = text.mid(at);
        switch (part.kind) {
        case Part::Text:
            if (!rest.startsWith(part.text))
                return false;
            at += part.text.size();
            continue;
        case Part::MonthName: {
            int index = 0;
            const qsizetype length = MatchName(rest, monthNames_, &index);
            if (length == 0)
                return false;
            fields.month = index % 12 + 1;
            at += length;
            continue;
        }
        case Part::AmPm: {
            int index = 0;
            const qsizetype length = MatchName(rest, halves_, &index);
            if (length == 0)
                return false;
            fields.half = index;
            at += length;
            continue;
        }
        default:
            break;
        }
        int value = 0;
        int digits = 0;
        qsizetype used = 0;
        // Any decimal digits: some locales write their own, a few beyond
        // the first 65,536 characters.
        while (digits < part.digits && used < rest.size()) {
            char32_t c = rest[used].unicode();
            qsizetype width = 1;
            if (QChar::isHighSurrogate(c) && used + 1 < rest.size() &&
                rest[used + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(rest[used], rest[used + 1]);
                width = 2;
            }
            const int digit = QChar::digitValue(c);
            if (digit < 0)
                break;
            value = value * 10 + digit;
            ++digits;
            used += width;
        }
        if (digits == 0 || (part.kind == Part::Year && digits != part.digits))
            return false;
        at += used;
        switch (part.kind) {
        case Part::Day:
            fields.day = value;
            break;
        case Part::Month:
            fields.month = value;
            break;
        case Part::Year:
            fields.year = part.digits == 2 ? 2000 + value : value;
            break;
        case Part::Hour:
            fields.hour = value;
            break;
        case Part::Minute:
            fields.minute = value;
            break;
        case Part::Second:
            fields.second = value;
            break;
        default:
            break;
        }
    }
    return at == text.size();
}

std::optional<QDateTime> CheckInTimeParser::Parse(const QString& text) const {
    if (!dateTimeParts_ || !dateParts_)
        return ParseSlowly(text);
    const QStringView trimmed = QStringView(text).trimmed();
    Fields fields;
    // At exactly midnight the date stands alone.
    if (!Read(trimmed, *dateTimeParts_, fields)) {
        fields = Fields();
        if (!Read(trimmed, *dateParts_, fields))
            return std::nullopt;
    }
    if (fields.half >= 0) {
        if (fields.hour < 1 || fields.hour > 12)
            return std::nullopt;
        fields.hour = fields.hour % 12 + 12 * fields.half;
    }
    const QDate date(fields.year, fields.month, fields.day);
    const QTime time(fields.hour, fields.minute, fields.second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

std::optional<QDateTime> CheckInTimeParser::ParseSlowly(const QString& text) const {
    const QString trimmed = text.trimmed();
    QDateTime when = locale_.toDateTime(trimmed, timeFormat_);
    if (!when.isValid()) {
        const QDate date = locale_.toDate(trimmed, dateFormat_);
        if (date.isValid())
            when = QDateTime(date, QTime(0, 0));
    }
    if (!when.isValid())
        return std::nullopt;
    // A two-digit year is read as 19xx; a check-out is of this century.
    if (!dateFormat_.contains(QLatin1String("yyyy")) && when.date().year() < 2000)
        when = when.addYears(100);
    return when;
}
