#include "storage/TConfigStreamer.h"

#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "storage/TSimpleXmlParser.h"

TConfigStreamer::TConfigStreamer(const QString& AWorkSpace)
    : fConfigXmlFile(AWorkSpace + ConfigFileName()) {}

QString TConfigStreamer::ConfigFileName() {
    return QStringLiteral("QuorvelConfig.xml");
}

bool TConfigStreamer::ConfigExist() const {
    return FileSystem::FileExists(fConfigXmlFile);
}

std::unique_ptr<TSimpleXmlParser> TConfigStreamer::GetParser() const {
    if (!ConfigExist())
        return nullptr;
    const QString text = TextFile::Read(fConfigXmlFile);
    // Every line ends in CR LF for the reader, the last one included.
    QString joined;
    joined.reserve(text.size() + text.size() / 8 + 2);
    qsizetype lineStart = 0;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            joined += QStringView(text).mid(lineStart, i - lineStart);
            joined += QLatin1String("\r\n");
            i += (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') ? 2 : 1;
            lineStart = i;
        } else {
            ++i;
        }
    }
    if (lineStart < size) {
        joined += QStringView(text).mid(lineStart);
        joined += QLatin1String("\r\n");
    }
    return std::make_unique<TSimpleXmlParser>(std::move(joined));
}

void TConfigStreamer::WriteXmlString(const QString& Xml) const {
    TextFile::WriteAtomically(fConfigXmlFile, TextFile::Encode(Xml + QLatin1String("\r\n")));
}
