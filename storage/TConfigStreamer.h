#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class TSimpleXmlParser;

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
    // A reader over a file's bytes, decoded and with every line ended by
    // CR LF, as GetParser makes it.
    static std::unique_ptr<TSimpleXmlParser> ParserFor(QByteArray bytes);
    // Replaces the file with Xml and a closing CR LF, atomically. Raises
    // QuorvelError when the file cannot be written.
    void WriteXmlString(const QString& Xml) const;
    // The bytes WriteXmlString writes for Xml, and their write.
    static QByteArray FileBytes(const QString& Xml);
    void WriteFileBytes(const QByteArray& bytes) const;

private:
    QString fConfigXmlFile;
};
