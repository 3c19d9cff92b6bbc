#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>

class TSimpleXmlParser;
class TextFileEncoder;

// The file "QuorvelConfig.xml" of one folder: the catalogue in the
// workspace folder, a version's data in its own folder.
class TConfigStreamer {
public:
    // Folder must end with "/".
    explicit TConfigStreamer(const QString& AWorkSpace);

    static QString ConfigFileName();

    const QString& FileName() const { return fConfigXmlFile; }
    bool ConfigExist() const;
    // A reader over the file's text with every line ended by CR LF, or
    // null when there is no file. Raises QuorvelError when it cannot be read.
    std::unique_ptr<TSimpleXmlParser> GetParser() const;
    // GetParser when the file is in memory; false when reading it would
    // wait for a disk (or fail), and nothing was done.
    bool GetParserIfInMemory(std::unique_ptr<TSimpleXmlParser>* parser) const;
    // A reader over a file's bytes, decoded and with every line ended by
    // CR LF, as GetParser makes it. betweenParts, when given, is called
    // after each part of a large text.
    static std::unique_ptr<TSimpleXmlParser>
    ParserFor(QByteArray bytes, const std::function<void()>& betweenParts = {});
    // GetParser, reading the file a part at a time as the parser's
    // searches reach it, so that a large file is never held whole: each
    // part of its bytes goes to onBytes as it is read, and betweenParts is
    // called after each. Raises QuorvelError when there is no file or it
    // cannot be read, also from the parser's searches.
    std::unique_ptr<TSimpleXmlParser> ReadParser(const std::function<void(QByteArrayView)>& onBytes,
                                                 const std::function<void()>& betweenParts) const;
    // Replaces the file with Xml and a closing CR LF, atomically. Raises
    // QuorvelError when the file cannot be written.
    void WriteXmlString(const QString& Xml) const;
    // The bytes WriteXmlString writes for Xml, and their write.
    static QByteArray FileBytes(const QString& Xml);
    // The same, of XML that was added to encoder a part at a time.
    static QByteArray FinishFileBytes(TextFileEncoder& encoder);
    // betweenParts: see TextFile::WriteAtomically.
    void WriteFileBytes(const QByteArray& bytes,
                        const std::function<void()>& betweenParts = {}) const;

private:
    QString fConfigXmlFile;
};
