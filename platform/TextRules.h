#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// Text rules the stored files and the name checks share. They follow the
// classic Windows runtime, not Unicode: only a-z fold, only characters up
// to the blank count as white space.
namespace TextRules {

// Removes blanks and control characters (every character up to U+0020)
// at both ends.
QString Trim(QStringView text);

// True when the texts are equal with a-z taken as A-Z; every other
// character must match exactly.
bool SameTextAscii(QStringView a, QStringView b);

// a-z to A-Z, nothing else.
QString UpperAscii(QStringView text);

// A whole number as the Windows runtime reads one: optional sign, decimal
// digits, or hex after "$", "0x" or "0X". No surrounding blanks; nothing
// for empty text, other text or a value out of range.
std::optional<qint64> ParseInteger(QStringView text);
std::optional<int> ParseInt32(QStringView text);

// The length of the UTF-8 sequence at the start of bytes (size of them
// left), or 0 when it is not one: no overlong forms, no surrogates, nothing
// beyond U+10FFFF, nothing cut off.
qsizetype Utf8SequenceLength(const unsigned char* bytes, qsizetype size);
// True when the bytes are UTF-8 text by that rule throughout.
bool IsUtf8(QByteArrayView bytes);

} // namespace TextRules
