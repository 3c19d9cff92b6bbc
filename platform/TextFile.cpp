#include "platform/TextFile.h"

#include "platform/QuorvelError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace TextFile {

namespace {

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves
// undefined map to the control character of the same value, as Windows does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte for a character, or -1 when Windows-1252 has none.
int ByteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString Decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder(QByteArrayView(bytes).sliced(2));
    }
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return text;
}

bool FitsWindows1252(const QString& text) {
    for (const QChar c : text) {
        if (ByteOf(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray EncodeWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int b = ByteOf(c.unicode());
        *out++ = char(b < 0 ? '?' : b);
    }
    return bytes;
}

QByteArray Encode(const QString& text) {
    if (FitsWindows1252(text))
        return EncodeWindows1252(text);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuorvelError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return Decode(file.readAll());
}

void WriteAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw QuorvelError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
    }
}

} // namespace TextFile
