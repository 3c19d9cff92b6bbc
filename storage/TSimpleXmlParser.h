#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// The program's only XML reader: one cursor over the text and plain
// forward text searches. The stored files are laid out for exactly these
// searches, so they must stay as they are.
class TSimpleXmlParser {
public:
    // Appends the next part of the text to text; false when nothing was
    // left to append.
    using TextSource = std::function<bool(QString& text)>;

    explicit TSimpleXmlParser(QString Xml = QString());
    // Over text that source gives a part at a time, as the searches reach
    // it. Only the text from the cursor on is held, so that a large file
    // is never held whole: the searches only ever go forward.
    explicit TSimpleXmlParser(TextSource source);

    // The text held: the whole text, unless it comes from a source.
    const QString& Xml() const { return FXml; }
    // Takes the rest of a source's text, holding none of it.
    void ReadRest();
    void SetXml(QString Value);
    // Back to the start of the text; not for a parser from a source, which
    // no longer holds the text before its cursor.
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
    // Positions are in the whole text; FXml holds it from base_ on.
    qsizetype IndexOf(char16_t c, qsizetype from) const;
    qsizetype End() const { return base_ + FXml.size(); }
    QString Mid(qsizetype from, qsizetype to) const;
    // Takes the next part from the source, first dropping the text before
    // the cursor; false at the end of the text.
    bool More() const;

    int fposition = 0;
    mutable QString FXml;
    mutable qsizetype base_ = 0;
    mutable TextSource source_;
    static constexpr int kMemoSize = 8;
    mutable SearchMemo fMemo[kMemoSize];
    mutable int nextMemo_ = 0;
};
