#include "versioning/VersionArchive.h"

#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"
#include "storage/TConfigStreamer.h"
#include "versioning/Filelist.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

namespace {

constexpr size_t BufferSize = 1024 * 1024;
constexpr int BytesPerBlock = 256 * 1024;

QByteArray Join(const QByteArray& folder, const char* name) {
    return folder.isEmpty() ? QByteArray(name) : folder + '/' + name;
}

// libarchive takes the names' encoding from the thread's locale: the
// archive is written under a UTF-8 one whatever the program's is, so that
// no name or link target is lost to a conversion.
class Utf8Locale {
public:
    Utf8Locale() : utf8_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr))) {
        if (utf8_)
            previous_ = ::uselocale(utf8_);
    }
    ~Utf8Locale() {
        if (utf8_) {
            ::uselocale(previous_);
            ::freelocale(utf8_);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t utf8_;
    locale_t previous_ = locale_t(nullptr);
};

struct ArchiveFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Entry = std::unique_ptr<archive_entry, EntryFree>;

Entry EntryLike(const struct stat& info, unsigned int type) {
    Entry entry(archive_entry_new());
    archive_entry_set_filetype(entry.get(), type);
    archive_entry_set_perm(entry.get(), info.st_mode & 07777);
    archive_entry_set_mtime(entry.get(), info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return entry;
}

} // namespace

QString VersionArchive::DefaultFileName(const QString& client, const QString& project,
                                        const QString& version) {
    // The first version's folder is "version 1"; the file reads like the
    // others.
    QString shown = version;
    if (shown.startsWith(QLatin1String("version ")))
        shown[0] = u'V';
    return QStringLiteral("%1 - %2 - %3.zip").arg(client, project, shown);
}

bool VersionArchive::FailReading(const QByteArray& relative, int code) {
    return FailReading(relative, QString::fromLocal8Bit(std::strerror(code)));
}

bool VersionArchive::FailReading(const QByteArray& relative, const QString& reason) {
    error_ = QStringLiteral("Cannot read %1: %2").arg(QFile::decodeName(root_ + relative), reason);
    return false;
}

ssize_t VersionArchive::WriteOut(archive*, void* self, const void* data, size_t size) {
    auto* writer = static_cast<VersionArchive*>(self);
    // After a failure the rest is thrown away: an error here would leave
    // libarchive unable to end the entry, and what it holds would leak.
    const char* at = static_cast<const char*>(data);
    for (size_t left = size; left > 0 && writer->writeError_ == 0;) {
        const ssize_t written = ::write(writer->outFd_, at, left);
        if (written < 0) {
            if (errno != EINTR)
                writer->writeError_ = errno;
            continue;
        }
        at += written;
        left -= size_t(written);
    }
    return ssize_t(size);
}

bool VersionArchive::Written(const QByteArray& relative, int result) {
    return (result >= ARCHIVE_OK && writeError_ == 0) || FailWriting(relative);
}

bool VersionArchive::FailWriting(const QByteArray& relative) {
    const int code = writeError_ ? writeError_ : archive_ ? archive_errno(archive_) : 0;
    QString reason;
    if (code > 0)
        reason = QString::fromLocal8Bit(std::strerror(code));
    else if (archive_ && archive_error_string(archive_))
        reason = QString::fromUtf8(archive_error_string(archive_));
    if (relative.isEmpty())
        error_ = QStringLiteral("Cannot write %1: %2").arg(target_, reason);
    else
        error_ = QStringLiteral("Cannot write %1 while adding %2: %3")
                     .arg(target_, QFile::decodeName(relative), reason);
    return false;
}

bool VersionArchive::FailTarget(int code) {
    error_ = QStringLiteral("Cannot write %1: %2")
                 .arg(target_, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool VersionArchive::Report(const QByteArray& relative) {
    if (!progress_ ||
        progress_(std::min(doneBytes_, totalBytes_), totalBytes_, QFile::decodeName(relative)))
        return true;
    cancelled_ = true;
    error_ = QStringLiteral("The archive was cancelled.");
    return false;
}

bool VersionArchive::ListFolder(int folder, const QByteArray& relative,
                                std::vector<QByteArray>* names) {
    static const QByteArray dataFile = QFile::encodeName(TConfigStreamer::ConfigFileName());
    names->clear();
    FolderListing listing = FolderListing::Of(folder);
    if (!listing.IsOpen())
        return FailReading(relative, listing.Error());
    while (const char* name = listing.Next()) {
        // The record of the version is ours, not the client's; unfinished
        // work is nobody's.
        if (IsLeftoverName(name) || (relative.isEmpty() && dataFile == name))
            continue;
        // A zip file says its names are UTF-8; another name would be
        // read as something else.
        if (!TextRules::IsUtf8(QByteArrayView(name, qsizetype(std::strlen(name))))) {
            error_ =
                QStringLiteral("Cannot put %1 into an archive: its name is not UTF-8 text")
                    .arg(QFile::decodeName(root_) + FileSystem::ReadableName(Join(relative, name)));
            return false;
        }
        names->emplace_back(name);
    }
    if (listing.Error() != 0)
        return FailReading(relative, listing.Error());
    std::sort(names->begin(), names->end());
    return true;
}

bool VersionArchive::Count(int folder, const QByteArray& relative) {
    std::vector<QByteArray> names;
    if (!ListFolder(folder, relative, &names))
        return false;
    for (const QByteArray& name : names) {
        const QByteArray path = Join(relative, name.constData());
        struct stat info;
        if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return FailReading(path, errno);
        if (S_ISREG(info.st_mode)) {
            totalBytes_ += qint64(info.st_size);
        } else if (S_ISDIR(info.st_mode)) {
            const FileHandle sub(::openat(folder, name.constData(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub.IsOpen())
                return FailReading(path, errno);
            if (!Count(sub.Get(), path))
                return false;
        }
    }
    return true;
}

bool VersionArchive::WriteHeader(archive_entry* entry, const QByteArray& relative) {
    archive_entry_set_pathname_utf8(entry, relative.constData());
    // A warning is a name or target the archive could not hold as it is.
    const int result = archive_write_header(archive_, entry);
    return Written(relative, result == ARCHIVE_WARN ? ARCHIVE_FAILED : result);
}

bool VersionArchive::Add(int folder, const QByteArray& relative) {
    std::vector<QByteArray> names;
    if (!ListFolder(folder, relative, &names))
        return false;
    for (const QByteArray& name : names) {
        const QByteArray path = Join(relative, name.constData());
        struct stat info;
        if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return FailReading(path, errno);
        bool added = true;
        if (S_ISDIR(info.st_mode)) {
            const FileHandle sub(::openat(folder, name.constData(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub.IsOpen())
                return FailReading(path, errno);
            // Its own entry keeps an empty folder, and every folder's time.
            added = WriteHeader(EntryLike(info, AE_IFDIR).get(), path) && Add(sub.Get(), path);
        } else if (S_ISREG(info.st_mode)) {
            added = AddFile(folder, name.constData(), path);
        } else if (S_ISLNK(info.st_mode)) {
            added = AddLink(folder, name.constData(), path, info);
        }
        // Devices, pipes and sockets hold no work of a version.
        if (!added)
            return false;
    }
    return true;
}

bool VersionArchive::AddFile(int folder, const char* name, const QByteArray& relative) {
    if (!Report(relative))
        return false;
    // Opened without waiting: a pipe put there meanwhile must not hang.
    const FileHandle file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!file.IsOpen() || ::fstat(file.Get(), &info) != 0)
        return FailReading(relative, errno);
    if (!S_ISREG(info.st_mode))
        return FailReading(relative, QStringLiteral("it changed while it was archived"));
    ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Entry entry = EntryLike(info, AE_IFREG);
    archive_entry_set_size(entry.get(), info.st_size);
    if (!WriteHeader(entry.get(), relative))
        return false;
    buffer_.resize(BufferSize);
    // What the header says is what goes in: a file that grows meanwhile is
    // cut where it was, one that shrinks cannot be archived.
    for (qint64 left = info.st_size; left > 0;) {
        const ssize_t got =
            ::read(file.Get(), buffer_.data(), size_t(std::min<qint64>(left, BufferSize)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FailReading(relative, errno);
        }
        if (got == 0)
            return FailReading(relative, QStringLiteral("it changed while it was archived"));
        if (!Written(relative, int(archive_write_data(archive_, buffer_.data(), size_t(got)))))
            return false;
        left -= got;
        doneBytes_ += got;
        if (left > 0 && !Report(relative))
            return false;
    }
    ++files_;
    return true;
}

bool VersionArchive::AddLink(int folder, const char* name, const QByteArray& relative,
                             const struct stat& info) {
    char target[PATH_MAX];
    const ssize_t length = ::readlinkat(folder, name, target, sizeof target);
    if (length < 0)
        return FailReading(relative, errno);
    if (size_t(length) == sizeof target)
        return FailReading(relative, ENAMETOOLONG);
    const QByteArray text(target, length);
    if (!TextRules::IsUtf8(text)) {
        return FailReading(relative, QStringLiteral("the link's target %1 is not UTF-8 text")
                                         .arg(FileSystem::ReadableName(text)));
    }
    Entry entry = EntryLike(info, AE_IFLNK);
    archive_entry_set_symlink_utf8(entry.get(), text.constData());
    if (!WriteHeader(entry.get(), relative))
        return false;
    ++files_;
    return true;
}

bool VersionArchive::Write(const QString& versionFolder, const QString& target) {
    cancelled_ = false;
    error_.clear();
    files_ = 0;
    doneBytes_ = 0;
    totalBytes_ = 0;
    const QString version = FileSystem::WithoutTrailingSeparator(versionFolder);
    root_ = QFile::encodeName(version) + '/';
    const QFileInfo targetInfo(target);
    target_ = targetInfo.absoluteFilePath();
    const QString targetFolder = targetInfo.absolutePath();
    const QByteArray targetName = QFile::encodeName(targetInfo.fileName());
    if (targetName.isEmpty()) {
        error_ = QStringLiteral("Cannot write %1: it names a folder, not a file").arg(target);
        return false;
    }

    const FileHandle versionFd(::open(QFile::encodeName(version).constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!versionFd.IsOpen())
        return FailReading(QByteArray(), errno);
    // It would change the version, and hold part of itself.
    const QString versionPath = QFileInfo(version).canonicalFilePath();
    const QString holder = QFileInfo(targetFolder).canonicalFilePath();
    if (holder == versionPath || holder.startsWith(versionPath + u'/')) {
        error_ = QStringLiteral("Cannot write %1: an archive of a version cannot be written "
                                "inside that version")
                     .arg(target_);
        return false;
    }
    // Read through once first: the total for the progress, and a name that
    // cannot go into the archive before anything is written.
    if (!Count(versionFd.Get(), QByteArray()) || !Report(QByteArray()))
        return false;

    const FileHandle outFolder(
        ::open(QFile::encodeName(targetFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!outFolder.IsOpen())
        return FailTarget(errno);
    QByteArray temporary;
    FileHandle out(TextFile::CreateSaveTemporary(outFolder.Get(), targetName, &temporary));
    if (!out.IsOpen())
        return FailTarget(errno);
    auto removeTemporary = qScopeGuard([&] {
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(outFolder.Get(), temporary.constData(), 0);
    });

    outFd_ = out.Get();
    writeError_ = 0;
    bool written;
    {
        const Utf8Locale locale;
        const std::unique_ptr<archive, ArchiveFree> writer(archive_write_new());
        archive_ = writer.get();
        auto forget = qScopeGuard([this] { archive_ = nullptr; });
        written = archive_write_set_format_zip(archive_) == ARCHIVE_OK &&
                  archive_write_set_options(archive_, "zip:hdrcharset=UTF-8") == ARCHIVE_OK &&
                  archive_write_set_bytes_per_block(archive_, BytesPerBlock) == ARCHIVE_OK &&
                  // No padding after the archive's end.
                  archive_write_set_bytes_in_last_block(archive_, 1) == ARCHIVE_OK &&
                  archive_write_open(archive_, this, nullptr, WriteOut, nullptr) == ARCHIVE_OK;
        if (!written)
            FailWriting(QByteArray());
        FaultInjection::BeforeFileSystemChange();
        written = written && Add(versionFd.Get(), QByteArray()) &&
                  Written(QByteArray(), archive_write_close(archive_));
    }
    if (!written)
        return false;
    if (::fsync(out.Get()) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EROFS)
        return FailTarget(errno);
    FaultInjection::BeforeFileSystemChange();
    if (::renameat(outFolder.Get(), temporary.constData(), outFolder.Get(),
                   targetName.constData()) != 0)
        return FailTarget(errno);
    removeTemporary.dismiss();
    // The name must survive a power cut too.
    ::fsync(outFolder.Get());
    out.Reset();
    // What earlier, interrupted runs for this name left.
    FileSystem::RemoveAbandonedSaveTemporaries(targetFolder, targetInfo.fileName());
    return true;
}
