#pragma once

#include <QString>
#include <QStringView>

// The program's only XML reader: one cursor over the whole text and plain
// forward text searches. The stored files are laid out for exactly these
// searches, so they must stay as they are.
class TSimpleXmlParser {
public:
    explicit TSimpleXmlParser(QString Xml = QString());

    const QString& Xml() const { return FXml; }
    void SetXml(QString Value);
    void Reset();
    // Reads the file as Windows-1252 text; raises QuorvelError when it
    // cannot be opened.
    void LoadFromFile(const QString& FileName);

    // Moves to the next "<" + Element after the cursor; the cursor stays
    // where it was when there is none.
    bool findElement(QStringView Element);
    // The value of the first Attrib="..." from the current element on.
    QString GetAttrib(QStringView Attrib) const;
    // The text after the current start tag, up to the next "<".
    QString getField() const;
    QString ReadString() const { return getField(); }
    // getField as a number; raises ConversionError when it is not one.
    int ReadInteger() const;
    qint64 ReadLongInt() const;

    // The 1-based position of the current "<"; 0 for none.
    int Position() const { return fposition; }

private:
    int fposition = 0;
    QString FXml;
};
