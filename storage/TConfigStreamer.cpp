#include "storage/TConfigStreamer.h"

#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "storage/TSimpleXmlParser.h"

namespace {

// Ends every line with CR LF, the last one included; a line ends at CR LF,
// CR or LF. Works on raw Windows-1252 bytes as well as on decoded text, so
// that a large catalogue is held only once more while it is read.
template <typename Unit, typename ToChar>
QString JoinLines(const Unit* data, qsizetype size, ToChar toChar) {
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == Unit('\r') && i + 1 < size && data[i + 1] == Unit('\n'))
            ++i;
        else if (data[i] == Unit('\r') || data[i] == Unit('\n'))
            ++breaks;
    }
    const bool openLastLine =
        size > 0 && data[size - 1] != Unit('\r') && data[size - 1] != Unit('\n');
    QString joined(size + breaks + (openLastLine ? 2 : 0), Qt::Uninitialized);
    QChar* out = joined.data();
    for (qsizetype i = 0; i < size; ++i) {
        const Unit c = data[i];
        if (c == Unit('\r') || c == Unit('\n')) {
            *out++ = u'\r';
            *out++ = u'\n';
            if (c == Unit('\r') && i + 1 < size && data[i + 1] == Unit('\n'))
                ++i;
        } else {
            *out++ = toChar(c);
        }
    }
    if (openLastLine) {
        *out++ = u'\r';
        *out++ = u'\n';
    }
    return joined;
}

} // namespace

TConfigStreamer::TConfigStreamer(const QString& AWorkSpace)
    : fConfigXmlFile(AWorkSpace + ConfigFileName()) {}

QString TConfigStreamer::ConfigFileName() {
    return QStringLiteral("QuorvelConfig.xml");
}

bool TConfigStreamer::ConfigExist() const {
    return FileSystem::FileExists(fConfigXmlFile);
}

std::unique_ptr<TSimpleXmlParser> TConfigStreamer::GetParser() const {
    QByteArray bytes;
    if (!TextFile::ReadIfThere(fConfigXmlFile, &bytes))
        return nullptr;
    return ParserFor(std::move(bytes));
}

std::unique_ptr<TSimpleXmlParser> TConfigStreamer::ParserFor(QByteArray bytes) {
    QString joined;
    if (TextFile::HasByteOrderMark(bytes)) {
        const QString text = TextFile::Decode(bytes);
        bytes = QByteArray();
        joined = JoinLines(text.constData(), text.size(), [](QChar c) { return c; });
    } else {
        joined = JoinLines(bytes.constData(), bytes.size(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            // Plain ASCII, nearly every byte of a file, without a call.
            return QChar(byte < 0x80 ? char16_t(byte) : TextFile::Windows1252Char(byte));
        });
    }
    return std::make_unique<TSimpleXmlParser>(std::move(joined));
}

void TConfigStreamer::WriteXmlString(const QString& Xml) const {
    WriteFileBytes(FileBytes(Xml));
}

QByteArray TConfigStreamer::FileBytes(const QString& Xml) {
    QByteArray bytes = TextFile::Encode(Xml);
    bytes += "\r\n";
    return bytes;
}

void TConfigStreamer::WriteFileBytes(const QByteArray& bytes) const {
    TextFile::WriteAtomically(fConfigXmlFile, bytes);
}
