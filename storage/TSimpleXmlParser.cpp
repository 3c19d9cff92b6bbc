#include "storage/TSimpleXmlParser.h"

#include "platform/ConversionError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <algorithm>

TSimpleXmlParser::TSimpleXmlParser(QString Xml) : FXml(std::move(Xml)) {}

TSimpleXmlParser::TSimpleXmlParser(TextSource source) : source_(std::move(source)) {}

void TSimpleXmlParser::SetXml(QString Value) {
    FXml = std::move(Value);
    base_ = 0;
    source_ = nullptr;
    fposition = 0;
    for (SearchMemo& memo : fMemo)
        memo = SearchMemo();
}

void TSimpleXmlParser::Reset() {
    Q_ASSERT(base_ == 0);
    fposition = 0;
}

void TSimpleXmlParser::LoadFromFile(const QString& FileName) {
    SetXml(TextFile::Read(FileName));
}

void TSimpleXmlParser::ReadRest() {
    while (source_) {
        base_ += FXml.size();
        FXml.truncate(0);
        if (!source_(FXml))
            source_ = nullptr;
    }
}

bool TSimpleXmlParser::More() const {
    if (!source_)
        return false;
    // The text before the cursor is never searched again. Moved within
    // the room already taken, so that reading on touches no fresh memory;
    // only when it is at least half, so that the text is moved seldom.
    const qsizetype drop = std::max(fposition - 1, 0) - base_;
    if (drop > 0 && drop >= FXml.size() / 2) {
        QChar* data = FXml.data();
        std::copy(data + drop, data + FXml.size(), data);
        FXml.truncate(FXml.size() - drop);
        base_ += drop;
    }
    const qsizetype before = FXml.size();
    if (!source_(FXml))
        source_ = nullptr;
    return FXml.size() > before;
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
    const qsizetype length = name.size();
    for (;;) {
        const QStringView text(FXml);
        // A match starting before limit lies wholly in the text held; one
        // after it may run on into the next part.
        const qsizetype limit = source_ ? text.size() - length : text.size();
        const qsizetype local = std::max(from - base_, qsizetype(0));
        if (kind == NeedleKind::Tag) {
            for (qsizetype at = text.indexOf(u'<', local); at >= 0 && at < limit;
                 at = text.indexOf(u'<', at + 1)) {
                if (text.sliced(at + 1).startsWith(name))
                    return base_ + at;
            }
        } else {
            // The "=" is rare in the text, so look for it and check the name
            // before it.
            for (qsizetype eq = text.indexOf(u'=', local + length); eq >= 0 && eq - length < limit;
                 eq = text.indexOf(u'=', eq + 1)) {
                if (text.sliced(eq - length, length) == name)
                    return base_ + eq - length;
            }
        }
        if (!source_)
            return -1;
        from = base_ + std::max(local, limit);
        More();
    }
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

qsizetype TSimpleXmlParser::IndexOf(char16_t c, qsizetype from) const {
    for (;;) {
        const qsizetype at = FXml.indexOf(QChar(c), std::max(from - base_, qsizetype(0)));
        if (at >= 0)
            return base_ + at;
        from = std::max(from, End());
        if (!More())
            return -1;
    }
}

QString TSimpleXmlParser::Mid(qsizetype from, qsizetype to) const {
    return FXml.mid(from - base_, to - from);
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
    qsizetype end = IndexOf(u'"', start);
    if (start >= End())
        return QString();
    if (end < 0)
        end = End();
    return Mid(start, end);
}

QString TSimpleXmlParser::getField() const {
    if (fposition <= 0)
        return QString();
    const qsizetype close = IndexOf(u'>', fposition - 1);
    if (close < 0)
        return QString();
    qsizetype end = IndexOf(u'<', close + 1);
    if (end < 0)
        end = End();
    return Mid(close + 1, end);
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
