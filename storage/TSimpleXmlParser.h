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
    // Reads and decodes the whole file (Windows-1252, or the encoding its
    // byte-order mark names); raises QuorvelError when it cannot be opened.
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
    enum class NeedleKind : quint8 { Tag, Assignment };
    // The last search for one needle: nothing matches from `from` up to
    // `found` (-1 when nothing matches up to the end). A damaged file can
    // send many searches for the same missing name over the same text;
    // remembering the answer keeps a whole read one pass over the text.
    struct SearchMemo {
        NeedleKind kind = NeedleKind::Tag;
        // The name: short ones (all the program's) inline, so that a fresh
        // parser for each of thousands of data files allocates nothing here.
        static constexpr int kInline = 16;
        char16_t shortName[kInline] = {};
        qsizetype length = 0;
        QString longName;
        qsizetype from = -1;
        qsizetype found = -1;

        QStringView Name() const {
            return length <= kInline ? QStringView(shortName, length) : QStringView(longName);
        }
        void SetName(QStringView name);
    };

    // The 0-based index of the first "<" + name (Tag) or name + "="
    // (Assignment) that starts at or after from, or -1.
    qsizetype Find(NeedleKind kind, QStringView name, qsizetype from) const;
    qsizetype Scan(NeedleKind kind, QStringView name, qsizetype from) const;

    int fposition = 0;
    QString FXml;
    static constexpr int kMemoSize = 8;
    mutable SearchMemo fMemo[kMemoSize];
    mutable int nextMemo_ = 0;
};
