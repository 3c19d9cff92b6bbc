#include "platform/TextRules.h"

#include <limits>

namespace TextRules {

QString Trim(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin).toString();
}

static inline char16_t upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

bool SameTextAscii(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (upper(a[i].unicode()) != upper(b[i].unicode()))
            return false;
    }
    return true;
}

QString UpperAscii(QStringView text) {
    QString result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        result[i] = QChar(upper(text[i].unicode()));
    return result;
}

std::optional<qint64> ParseInteger(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    // Accumulate as unsigned so that the most negative value still fits.
    quint64 value = 0;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        if (value > (limit - quint64(digit)) / quint64(base))
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
    }
    if (negative)
        return value == limit ? std::numeric_limits<qint64>::min() : -qint64(value);
    return qint64(value);
}

std::optional<int> ParseInt32(QStringView text) {
    const auto value = ParseInteger(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*value);
}

qsizetype Utf8SequenceLength(const unsigned char* bytes, qsizetype size) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return 1;
    qsizetype length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (size < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (bytes[i] < 0x80 || bytes[i] > 0xBF)
            return 0;
    }
    return length;
}

bool IsUtf8(QByteArrayView text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = Utf8SequenceLength(bytes + i, text.size() - i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace TextRules
