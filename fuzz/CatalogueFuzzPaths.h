#pragma once

// The three ways bytes from a damaged or hostile file reach the program,
// shared by the fuzz target and the regression test that replays its
// findings. Each returns false when an invariant broke; an error other
// than the conversion error of a bad count escapes.

#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "platform/ConversionError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace CatalogueFuzzPaths {

// The reader's searches done the plain way, to check the fast ones against.
class PlainReader {
public:
    explicit PlainReader(const QString& xml) : xml_(xml) {}

    bool FindElement(const QString& element) {
        const qsizetype at = xml_.indexOf(u'<' + element, position_);
        if (at < 0)
            return false;
        position_ = at + 1;
        return true;
    }
    QString GetAttrib(const QString& attrib) const {
        if (position_ == 0)
            return QString();
        const qsizetype at = xml_.indexOf(attrib + u'=', position_ - 1);
        if (at < 0)
            return QString();
        QString value;
        for (qsizetype i = at + attrib.size() + 2; i < xml_.size() && xml_[i] != u'"'; ++i)
            value += xml_[i];
        return value;
    }
    qsizetype Position() const { return position_; }

private:
    const QString& xml_;
    qsizetype position_ = 0;
};

class NoWorkspace : public CatalogueOwner {
public:
    // A folder that is never there: nothing here may touch the disk.
    QString WorkSpace() const override { return QStringLiteral("/nonexistent-quorvel-fuzz/"); }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

// The reader on its own, checked call by call against PlainReader.
inline bool Reader(const QByteArray& bytes) {
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer::ParserFor(bytes);
    static const QString kElements[] = {QStringLiteral("Clients"),     QStringLiteral("Client"),
                                        QStringLiteral("Projects"),    QStringLiteral("Project"),
                                        QStringLiteral("Version"),     QStringLiteral("Editor"),
                                        QStringLiteral("Date_time"),   QStringLiteral("Owner"),
                                        QStringLiteral("Description"), QString(),
                                        QStringLiteral("Client"),      QStringLiteral("Version")};
    static const QString kAttributes[] = {QStringLiteral("name"), QStringLiteral("count"),
                                          QStringLiteral("state"), QStringLiteral("parent"),
                                          QString()};
    for (int round = 0; round < 2; ++round) {
        PlainReader plain(parser->Xml());
        for (const QString& element : kElements) {
            if (parser->findElement(element) != plain.FindElement(element) ||
                parser->Position() != plain.Position())
                return false;
            for (const QString& attrib : kAttributes) {
                if (parser->GetAttrib(attrib) != plain.GetAttrib(attrib))
                    return false;
            }
            if (parser->ReadString() != parser->getField())
                return false;
            // A throw is dear under the sanitizers: convert the fields that
            // are numbers, and one that may not be, below.
            const std::optional<qint64> number = TextRules::ParseInteger(parser->getField());
            if (number && parser->ReadLongInt() != *number)
                return false;
            if (number && TextRules::ParseInt32(parser->getField()) &&
                parser->ReadInteger() != *number)
                return false;
        }
        try {
            if (round == 0)
                parser->ReadInteger();
            else
                parser->ReadLongInt();
        } catch (const ConversionError&) {
        }
        parser->Reset();
    }
    // The decoder alone, as LoadFromFile uses it.
    TSimpleXmlParser fromText(TextFile::Decode(bytes));
    fromText.findElement(u"Version");
    fromText.GetAttrib(u"state");
    return true;
}

// The bytes as a workspace catalogue, read into a root and written again.
inline bool Catalogue(const QByteArray& bytes) {
    NoWorkspace owner;
    TClients root(&owner);
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer::ParserFor(bytes);
    try {
        root.ReadFromXml(*parser);
    } catch (const ConversionError&) {
    }
    return root.AsXml().startsWith(QLatin1String("<Clients count=\""));
}

// The bytes as the data file of a version.
inline bool Data(const QByteArray& bytes) {
    NoWorkspace owner;
    TClients root(&owner);
    TVersionItem* client = root.AddItem();
    client->SetName(QStringLiteral("Acme"));
    TVersionItem* project = client->VersionCollection()->AddItem();
    project->SetName(QStringLiteral("Harbour"));
    TVersionItem* version = project->VersionCollection()->AddItem();
    version->SetName(QStringLiteral("Version 2"));
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer::ParserFor(bytes);
    version->DataFromXml(*parser);
    return version->DataAsXml().startsWith(QLatin1String("<Version state=\""));
}

inline bool All(const QByteArray& bytes) {
    return Reader(bytes) && Catalogue(bytes) && Data(bytes);
}

} // namespace CatalogueFuzzPaths
