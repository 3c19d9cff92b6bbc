#include "platform/TextFile.h"

#include "platform/QuorvelError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace TextFile {

namespace {

// Windows-1252 bytes 0x80 to 0x9F.
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

QuorvelError CannotCreate(const QString& path, const QString& reason) {
    return QuorvelError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

// QSaveFile follows a link to its target, which may lie anywhere; here the
// link itself is replaced, still through a temporary file and a rename.
void ReplaceLink(const QString& path, const QByteArray& bytes) {
    QTemporaryFile temp(path + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        throw CannotCreate(path, temp.errorString());
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (temp.write(bytes) != bytes.size() || !temp.flush())
        throw CannotCreate(path, temp.errorString());
    if (::fchmod(temp.handle(), 0666 & ~mask) != 0 || ::fsync(temp.handle()) != 0)
        throw CannotCreate(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        throw CannotCreate(path, QString::fromLocal8Bit(std::strerror(errno)));
    temp.setAutoRemove(false);
}

} // namespace

char16_t Windows1252Char(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
}

bool HasByteOrderMark(const QByteArray& bytes) {
    return bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
           bytes.startsWith("\xFE\xFF");
}

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
    for (const char byte : bytes)
        *out++ = QChar(Windows1252Char(static_cast<unsigned char>(byte)));
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
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int b = ByteOf(c.unicode());
        if (b < 0)
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        *out++ = char(b);
    }
    return bytes;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuorvelError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw QuorvelError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return bytes;
}

QString Read(const QString& path) {
    return Decode(ReadBytes(path));
}

void WriteAtomically(const QString& path, const QByteArray& bytes) {
    if (QFileInfo(path).isSymLink()) {
        ReplaceLink(path, bytes);
        return;
    }
    QSaveFile file(path);
    // Qt 6.4's commit() ignores a failed flush of its buffer and puts a
    // truncated file in place (a full disk does that), so flush first.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw CannotCreate(path, reason);
    }
}

} // namespace TextFile
