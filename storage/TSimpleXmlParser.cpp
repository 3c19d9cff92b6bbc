#include "storage/TSimpleXmlParser.h"

#include "platform/ConversionError.h"
#include "platform/QuorvelError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <QFile>

TSimpleXmlParser::TSimpleXmlParser(QString Xml) : FXml(std::move(Xml)) {}

void TSimpleXmlParser::SetXml(QString Value) {
    FXml = std::move(Value);
    fposition = 0;
}

void TSimpleXmlParser::Reset() {
    fposition = 0;
}

void TSimpleXmlParser::LoadFromFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw QuorvelError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(FileName, file.errorString()));
    SetXml(TextFile::Decode(file.readAll()));
}

bool TSimpleXmlParser::findElement(QStringView Element) {
    const QString needle = u'<' + Element.toString();
    // fposition is 1-based, so searching from index fposition skips the
    // current "<" itself.
    const qsizetype at = FXml.indexOf(needle, fposition);
    if (at < 0)
        return false;
    fposition = int(at + 1);
    return true;
}

QString TSimpleXmlParser::GetAttrib(QStringView Attrib) const {
    if (fposition <= 0)
        return QString();
    const QString needle = Attrib.toString() + u'=';
    const qsizetype at = FXml.indexOf(needle, fposition - 1);
    if (at < 0)
        return QString();
    // Skip the name, "=" and the opening quote, whatever character it is.
    const qsizetype start = at + needle.size() + 1;
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
