#include "platform/TextFile.h"

#include "platform/BatchedMemoryReads.h"
#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FolderHandleCache.h"
#include "platform/FolderListing.h"
#include "platform/QuorvelError.h"
#include "platform/TextFileEncoder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace TextFile {

namespace {

// Windows-1252 bytes 0x80 to 0x9F.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QuorvelError CannotCreate(const QString& path, const QString& reason) {
    return QuorvelError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

QString Reason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

constexpr int kTemporarySuffixLength = 6;

QByteArray TemporaryNameFor(const QByteArray& name) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray temporary = name + '.';
    for (int i = 0; i < kTemporarySuffixLength; ++i)
        temporary += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return temporary;
}

bool WriteAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Some file systems cannot sync a folder, or anything; that is no failure
// of the write.
bool Synced(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
}

// Temporaries of name that no running save holds (each save locks its own).
void RemoveLeftoverTemporaries(int folder, const QByteArray& name) {
    FolderListing listing = FolderListing::Of(folder);
    while (const char* entry = listing.Next()) {
        if (!IsSaveTemporaryOf(QByteArrayView(entry), name))
            continue;
        FileHandle leftover(
            ::openat(folder, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info;
        if (!leftover.IsOpen() || ::fstat(leftover.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::flock(leftover.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(folder, entry, 0);
    }
}

} // namespace

int Windows1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

char16_t Windows1252Char(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
}

bool HasByteOrderMark(QByteArrayView bytes) {
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
        if (Windows1252Byte(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray EncodeWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int b = Windows1252Byte(c.unicode());
        *out++ = char(b < 0 ? '?' : b);
    }
    return bytes;
}

QByteArray Encode(const QString& text) {
    TextFileEncoder encoder(text.size());
    encoder.Add(text);
    return encoder.Take();
}

QByteArray ReadBytes(const QString& path) {
    QByteArray bytes;
    ReadParts(path, [&bytes](QByteArrayView part) { bytes.append(part); });
    return bytes;
}

void ReadParts(const QString& path, const std::function<void(QByteArrayView part)>& onPart) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw QuorvelError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    // A megabyte takes a few milliseconds to read.
    QByteArray part(qsizetype(1) << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(part.data(), part.size());
        if (got <= 0)
            break;
        onPart(QByteArrayView(part.constData(), got));
    }
    if (file.error() != QFileDevice::NoError)
        throw QuorvelError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
}

// Far beyond any data file: descriptions are typed by hand.
constexpr qsizetype MaxReadSize = qsizetype(64) * 1024 * 1024;

bool ReadIfThere(const QString& path, QByteArray* bytes) {
    // Not blocking, so that a named pipe in the file's place cannot hang
    // the read; it has no effect on a file.
    FileHandle file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw QuorvelError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, Reason(errno)));
    }
    // Data files are small: most fit the first read, and the second finds the end.
    QByteArray read(4096, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (size == read.size()) {
            // A device in the file's place would never end.
            if (size >= MaxReadSize)
                throw QuorvelError(
                    QStringLiteral("Cannot read file \"%1\". It is larger than %2 MB.")
                        .arg(path)
                        .arg(MaxReadSize / (1024 * 1024)));
            read.resize(read.size() * 2);
        }
        const ssize_t got = ::read(file.Get(), read.data() + size, size_t(read.size() - size));
        if (got > 0) {
            size += got;
        } else if (got == 0) {
            break;
        } else if (errno == EISDIR && size == 0) {
            return false;
        } else if (errno != EINTR) {
            throw QuorvelError(
                QStringLiteral("Cannot read file \"%1\". %2").arg(path, Reason(errno)));
        }
    }
    read.truncate(size);
    *bytes = std::move(read);
    return true;
}

// Every page size is a multiple of this.
constexpr qsizetype PageGrain = 4096;

CachedRead ReadIfInMemory(const QString& path, QByteArray* bytes) {
    if (BatchedMemoryReads* batch = BatchedMemoryReads::Current()) {
        if (const std::optional<CachedRead> read = batch->Take(path, bytes))
            return *read;
    }
    open_how how{};
    how.flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    how.resolve = RESOLVE_CACHED;
    QByteArray name;
    int from = AT_FDCWD;
    if (FolderHandleCache* folders = FolderHandleCache::Current())
        from = folders->Resolve(path, &name);
    else
        name = QFile::encodeName(path);
    FileHandle file(int(::syscall(SYS_openat2, from, name.constData(), &how, sizeof how)));
    if (!file.IsOpen())
        return errno == ENOENT || errno == ENOTDIR ? CachedRead::Missing : CachedRead::NotInMemory;
    // Nearly every data file fits one page: read on the stack, and kept
    // in a buffer of its own size.
    char page[PageGrain];
    QByteArray read;
    qsizetype size = 0;
    for (;;) {
        const bool first = size == 0 && read.isEmpty();
        if (!first && size == read.size()) {
            if (size >= MaxReadSize)
                return CachedRead::NotInMemory;
            read.resize(read.size() * 2);
        }
        iovec part = first ? iovec{page, sizeof page}
                           : iovec{read.data() + size, size_t(read.size() - size)};
        const ssize_t got = ::preadv2(file.Get(), &part, 1, size, RWF_NOWAIT);
        if (got > 0) {
            if (first)
                read = QByteArray(page, got);
            size += got;
            // Memory holds a file in whole pages, so a read that stops
            // within one has reached the end: one call less for nearly
            // every data file.
            if (size % PageGrain != 0)
                break;
        } else if (got == 0) {
            break;
        } else if (errno == EISDIR && size == 0) {
            return CachedRead::Missing;
        } else if (errno != EINTR) {
            return CachedRead::NotInMemory;
        }
    }
    read.truncate(size);
    *bytes = std::move(read);
    return CachedRead::Read;
}

QString Read(const QString& path) {
    return Decode(ReadBytes(path));
}

void WriteAtomically(const QString& path, const QByteArray& bytes,
                     const std::function<void()>& betweenParts) {
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(info.fileName());
    if (name.isEmpty())
        throw CannotCreate(path, Reason(EISDIR));
    FileHandle folder(
        ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen())
        throw CannotCreate(path, Reason(errno));

    QByteArray temporary;
    FileHandle file(CreateSaveTemporary(folder.Get(), name, &temporary));
    if (!file.IsOpen())
        throw CannotCreate(path, Reason(errno));
    auto removeTemporary = qScopeGuard([&] {
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(folder.Get(), temporary.constData(), 0);
    });
    // The file keeps the permissions it had, as when an editor saves it.
    struct stat old;
    if (::fstatat(folder.Get(), name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode))
        ::fchmod(file.Get(), old.st_mode & 07777);
    FaultInjection::BeforeFileSystemChange();
    // A megabyte takes a few milliseconds to write.
    const qsizetype part = betweenParts ? qsizetype(1) << 20 : std::max<qsizetype>(bytes.size(), 1);
    for (qsizetype at = 0; at < bytes.size(); at += part) {
        if (!WriteAll(file.Get(), bytes.constData() + at, std::min(part, bytes.size() - at)))
            throw CannotCreate(path, Reason(errno));
        if (betweenParts)
            betweenParts();
    }
    if (!Synced(file.Get()))
        throw CannotCreate(path, Reason(errno));
    FaultInjection::BeforeFileSystemChange();
    // Replaces a link at path itself, never what it points to.
    if (::renameat(folder.Get(), temporary.constData(), folder.Get(), name.constData()) != 0)
        throw CannotCreate(path, Reason(errno));
    removeTemporary.dismiss();
    // The rename itself must survive a power cut.
    Synced(folder.Get());
    file.Reset();
    RemoveLeftoverTemporaries(folder.Get(), name);
}

int CreateSaveTemporary(int folder, const QByteArray& fileName, QByteArray* temporary) {
    int fd;
    do {
        *temporary = TemporaryNameFor(fileName);
        FaultInjection::BeforeFileSystemChange();
        fd = ::openat(folder, temporary->constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    // Another program's clean-up must not take it for a leftover.
    if (fd >= 0)
        ::flock(fd, LOCK_EX);
    return fd;
}

bool IsSaveTemporaryOf(QByteArrayView name, QByteArrayView fileName) {
    if (name.size() != fileName.size() + 1 + kTemporarySuffixLength || !name.startsWith(fileName) ||
        name[fileName.size()] != '.')
        return false;
    for (qsizetype i = fileName.size() + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

qsizetype SaveTemporaryNameSize(qsizetype fileNameSize) {
    return fileNameSize + 1 + kTemporarySuffixLength;
}

} // namespace TextFile
