#include "storage/TConfigStreamer.h"

#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TextFile.h"
#include "platform/TextFileEncoder.h"
#include "storage/TSimpleXmlParser.h"

#include <QFile>

#include <algorithm>

namespace {

// Text is read and joined a part at a time; a million characters take a
// few milliseconds.
constexpr qsizetype PartSize = qsizetype(1) << 20;

QChar Windows1252ToChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    // Plain ASCII, nearly every byte of a file, without a call.
    return QChar(byte < 0x80 ? char16_t(byte) : TextFile::Windows1252Char(byte));
}

// Appends data to out with every line ended by CR LF; a line ends at CR
// LF, CR or LF. afterCr carries a CR that ended the part before, so that a
// CR LF split between two parts is one line end. Works on raw
// Windows-1252 bytes as well as on decoded text.
template <typename Unit, typename ToChar>
void AppendJoined(QString& out, const Unit* data, qsizetype size, ToChar toChar, bool& afterCr) {
    const qsizetype start = out.size();
    // A line end becomes at most two characters, anything else one: sized
    // so, a data file's text fits the allocator's quick sizes.
    const qsizetype ends =
        std::count_if(data, data + size, [](Unit c) { return c == Unit('\r') || c == Unit('\n'); });
    out.resize(start + size + ends);
    QChar* to = out.data() + start;
    for (qsizetype i = 0; i < size; ++i) {
        const Unit c = data[i];
        if (c == Unit('\n') && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = c == Unit('\r');
        if (c == Unit('\r') || c == Unit('\n')) {
            *to++ = u'\r';
            *to++ = u'\n';
        } else {
            *to++ = toChar(c);
        }
    }
    out.truncate(to - out.constData());
}

// The last line ends with CR LF too.
void CloseLastLine(QString& out) {
    if (!out.isEmpty() && !out.endsWith(u'\n'))
        out += QLatin1String("\r\n");
}

template <typename Unit, typename ToChar>
QString JoinLines(const Unit* data, qsizetype size, ToChar toChar,
                  const std::function<void()>& betweenParts) {
    QString joined;
    bool afterCr = false;
    for (qsizetype at = 0; at < size; at += PartSize) {
        AppendJoined(joined, data + at, std::min(PartSize, size - at), toChar, afterCr);
        if (betweenParts)
            betweenParts();
    }
    CloseLastLine(joined);
    return joined;
}

// A file's text for a parser, read and joined a part at a time as the
// parse reaches it. Windows-1252 is joined as it is read; a file with a
// byte-order mark is decoded whole.
class JoinedParts {
public:
    JoinedParts(const QString& path, std::function<void(QByteArrayView)> onBytes,
                std::function<void()> betweenParts)
        : file_(path), onBytes_(std::move(onBytes)), betweenParts_(std::move(betweenParts)) {
        if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw QuorvelError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(path, file_.errorString()));
    }

    bool operator()(QString& text) {
        if (ended_)
            return false;
        if (part_.isEmpty()) {
            part_.resize(PartSize);
            // Room for a part or two beside what the parse still holds.
            text.reserve(text.size() + 3 * PartSize);
        }
        const QByteArrayView read = Read();
        if (read.isEmpty()) {
            ended_ = true;
            if (!text.isEmpty() && !endsLine_) {
                text += QLatin1String("\r\n");
                return true;
            }
            return false;
        }
        if (first_ && TextFile::HasByteOrderMark(read)) {
            QByteArray marked(read.data(), read.size());
            for (QByteArrayView more = Read(); !more.isEmpty(); more = Read())
                marked.append(more);
            ended_ = true;
            text += TConfigStreamer::ParserFor(std::move(marked), betweenParts_)->Xml();
            return true;
        }
        first_ = false;
        AppendJoined(text, read.data(), read.size(), Windows1252ToChar, afterCr_);
        endsLine_ = text.endsWith(u'\n');
        return true;
    }

private:
    // The next part of the file's bytes; empty at its end.
    QByteArrayView Read() {
        const qint64 got = file_.read(part_.data(), part_.size());
        if (got < 0)
            throw QuorvelError(QStringLiteral("Cannot read file \"%1\". %2")
                                   .arg(file_.fileName(), file_.errorString()));
        const QByteArrayView read(part_.constData(), got);
        if (got > 0) {
            onBytes_(read);
            if (betweenParts_)
                betweenParts_();
        }
        return read;
    }

    QFile file_;
    std::function<void(QByteArrayView)> onBytes_;
    std::function<void()> betweenParts_;
    QByteArray part_;
    bool first_ = true;
    bool afterCr_ = false;
    bool endsLine_ = false;
    bool ended_ = false;
};

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

bool TConfigStreamer::GetParserIfInMemory(std::unique_ptr<TSimpleXmlParser>* parser) const {
    QByteArray bytes;
    switch (TextFile::ReadIfInMemory(fConfigXmlFile, &bytes)) {
    case TextFile::CachedRead::Read:
        *parser = ParserFor(std::move(bytes));
        return true;
    case TextFile::CachedRead::Missing:
        parser->reset();
        return true;
    case TextFile::CachedRead::NotInMemory:
        break;
    }
    return false;
}

std::unique_ptr<TSimpleXmlParser>
TConfigStreamer::ParserFor(QByteArray bytes, const std::function<void()>& betweenParts) {
    QString joined;
    if (TextFile::HasByteOrderMark(bytes)) {
        const QString text = TextFile::Decode(bytes);
        bytes = QByteArray();
        joined = JoinLines(
            text.constData(), text.size(), [](QChar c) { return c; }, betweenParts);
    } else {
        joined = JoinLines(bytes.constData(), bytes.size(), Windows1252ToChar, betweenParts);
    }
    return std::make_unique<TSimpleXmlParser>(std::move(joined));
}

std::unique_ptr<TSimpleXmlParser>
TConfigStreamer::ReadParser(const std::function<void(QByteArrayView)>& onBytes,
                            const std::function<void()>& betweenParts) const {
    auto source = std::make_shared<JoinedParts>(fConfigXmlFile, onBytes, betweenParts);
    return std::make_unique<TSimpleXmlParser>([source](QString& text) { return (*source)(text); });
}

void TConfigStreamer::WriteXmlString(const QString& Xml) const {
    WriteFileBytes(FileBytes(Xml));
}

QByteArray TConfigStreamer::FileBytes(const QString& Xml) {
    TextFileEncoder encoder(Xml.size() + 2);
    encoder.Add(Xml);
    return FinishFileBytes(encoder);
}

QByteArray TConfigStreamer::FinishFileBytes(TextFileEncoder& encoder) {
    encoder.Add(u"\r\n");
    return encoder.Take();
}

void TConfigStreamer::WriteFileBytes(const QByteArray& bytes,
                                     const std::function<void()>& betweenParts) const {
    TextFile::WriteAtomically(fConfigXmlFile, bytes, betweenParts);
}
