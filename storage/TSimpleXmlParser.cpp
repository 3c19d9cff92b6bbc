#include "storage/TSimpleXmlParser.h"

#include "platform/ConversionError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <algorithm>

TSimpleXmlParser::TSimpleXmlParser(QString Xml) : FXml(std::move(Xml)) {}

void TSimpleXmlParser::SetXml(QString Value) {
    FXml = std::move(Value);
    fposition = 0;
    for (SearchMemo& memo : fMemo)
        memo = SearchMemo();
}

void TSimpleXmlParser::Reset() {
    fposition = 0;
}

void TSimpleXmlParser::LoadFromFile(const QString& FileName) {
    SetXml(TextFile::Read(FileName));
}

void TSimpleXmlParser::SearchMemo::SetName(QStringView name) {
    length = name.size();
    if (length <= kInline) {
        std::copy(name.utf16(), name.utf16() + length, shortName);
        longName.clear();
    } else {
        longName = name.toString();
    }
}

qsizetype TSimpleXmlParser::Scan(NeedleKind kind, QStringView name, qsizetype from) const {
    const QStringView text(FXml);
    if (kind == NeedleKind::Tag) {
        for (qsizetype at = text.indexOf(u'<', from); at >= 0; at = text.indexOf(u'<', at + 1)) {
            if (text.sliced(at + 1).startsWith(name))
                return at;
        }
        return -1;
    }
    // The "=" is rare in the text, so look for it and check the name before it.
    const qsizetype length = name.size();
    for (qsizetype eq = text.indexOf(u'=', from + length); eq >= 0;
         eq = text.indexOf(u'=', eq + 1)) {
        if (text.sliced(eq - length, length) == name)
            return eq - length;
    }
    return -1;
}

qsizetype TSimpleXmlParser::Find(NeedleKind kind, QStringView name, qsizetype from) const {
    SearchMemo* memo = nullptr;
    for (SearchMemo& candidate : fMemo) {
        if (candidate.from >= 0 && candidate.kind == kind && candidate.Name() == name) {
            memo = &candidate;
            break;
        }
    }
    if (memo && memo->from <= from && (memo->found < 0 || from <= memo->found))
        return memo->found;
    if (!memo) {
        memo = &fMemo[nextMemo_];
        nextMemo_ = (nextMemo_ + 1) % kMemoSize;
        memo->kind = kind;
        memo->SetName(name);
    }
    memo->from = from;
    memo->found = Scan(kind, name, from);
    return memo->found;
}

bool TSimpleXmlParser::findElement(QStringView Element) {
    // fposition is 1-based, so searching from index fposition skips the
    // current "<" itself.
    const qsizetype at = Find(NeedleKind::Tag, Element, fposition);
    if (at < 0)
        return false;
    fposition = int(at + 1);
    return true;
}

QString TSimpleXmlParser::GetAttrib(QStringView Attrib) const {
    if (fposition <= 0)
        return QString();
    const qsizetype at = Find(NeedleKind::Assignment, Attrib, fposition - 1);
    if (at < 0)
        return QString();
    // Skip the name, "=" and the opening quote, whatever character it is.
    const qsizetype start = at + Attrib.size() + 2;
    if (start >= FXml.size())
        return QString();
    qsizetype end = FXml.indexOf(u'"', start);
    if (end < 0)
        end = FXml.size();
    return FXml.mid(start, end - start);
}

QString TSimpleXmlParser::getField() const {
    if (fposition <= 0)
        return QString();
    const qsizetype close = FXml.indexOf(u'>', fposition - 1);
    if (close < 0)
        return QString();
    qsizetype end = FXml.indexOf(u'<', close + 1);
    if (end < 0)
        end = FXml.size();
    return FXml.mid(close + 1, end - close - 1);
}

int TSimpleXmlParser::ReadInteger() const {
    const QString field = getField();
    const std::optional<int> value = TextRules::ParseInt32(field);
    if (!value)
        throw ConversionError(field);
    return *value;
}

qint64 TSimpleXmlParser::ReadLongInt() const {
    const QString field = getField();
    const std::optional<qint64> value = TextRules::ParseInteger(field);
    if (!value)
        throw ConversionError(field);
    return *value;
}
