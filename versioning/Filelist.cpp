#include "versioning/Filelist.h"

#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "platform/TextFile.h"
#include "platform/UserInterface.h"
#include "storage/TConfigStreamer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The copy works on open folders (the *at calls) so that a name is looked up
// once, in the folder it belongs to, and a link inside the tree is never
// followed, whatever is renamed while the copy runs.

namespace {

// The user sees progress at this pace, not for every block.
constexpr qint64 ProgressStepBytes = 4 * 1024 * 1024;
constexpr qint64 ProgressStepMs = 50;
constexpr size_t KernelCopyChunk = 8 * 1024 * 1024;
constexpr size_t BufferSize = 1024 * 1024;

// What one copy has done so far, and why it stopped.
struct CopyJob {
    qint64 totalBytes = 0;
    qint64 doneBytes = 0;
    qint64 reportedBytes = 0;
    bool started = false;
    QElapsedTimer sinceReport;
    std::vector<char> buffer;
    QString error;
};

enum class WhenTargetExists { Refuse, Merge };
// Whether a source that is itself a link to a folder is copied as that
// folder. Links inside the source are always copied as links.
enum class SourceLink { Copy, Follow };

QString Shown(const QByteArray& path) {
    return QFile::decodeName(path);
}

bool Fail(CopyJob& job, const QString& text) {
    if (job.error.isEmpty())
        job.error = text;
    return false;
}

bool FailWith(CopyJob& job, const char* what, const QByteArray& path, int code) {
    return Fail(job, QStringLiteral("%1 %2: %3")
                         .arg(QLatin1String(what), Shown(path),
                              QString::fromLocal8Bit(std::strerror(code))));
}

bool FailReading(CopyJob& job, const QByteArray& path, int code) {
    return FailWith(job, "Can not read", path, code);
}

bool FailWriting(CopyJob& job, const QByteArray& path, int code) {
    return FailWith(job, "Can not write", path, code);
}

QByteArray Child(const QByteArray& folder, const char* name) {
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// A termination signal stops the copy; what it made so far is removed.
bool Interrupted(CopyJob& job) {
    if (!TerminationSignals::Requested())
        return false;
    Fail(job, QStringLiteral("interrupted"));
    return true;
}

void Advance(CopyJob& job, qint64 bytes) {
    job.doneBytes += bytes;
    if (job.doneBytes - job.reportedBytes < ProgressStepBytes &&
        job.sinceReport.elapsed() < ProgressStepMs)
        return;
    job.reportedBytes = job.doneBytes;
    job.sinceReport.restart();
    // A file that grew while copying must not push the bar past its end.
    User().CopyProgress(std::min(job.doneBytes, job.totalBytes));
}

int OpenFolder(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

DIR* OpenListing(int parent, const char* name) {
    const int fd = OpenFolder(parent, name);
    if (fd < 0)
        return nullptr;
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        const int code = errno;
        ::close(fd);
        errno = code;
    }
    return listing;
}

int RenameWithoutReplacing(int fromFolder, const char* from, int toFolder, const char* to) {
#ifdef Q_OS_LINUX
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
#endif
    // Without kernel support: a plain rename would replace an empty folder.
    struct stat info;
    if (::fstatat(toFolder, to, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromFolder, from, toFolder, to);
}

bool CountBytes(int parent, const char* name, const QByteArray& path, CopyJob& job) {
    struct stat info;
    if (::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, path, errno);
    if (S_ISREG(info.st_mode))
        job.totalBytes += info.st_size;
    if (!S_ISDIR(info.st_mode))
        return true;
    DIR* listing = OpenListing(parent, name);
    if (!listing)
        return FailReading(job, path, errno);
    const auto closeListing = qScopeGuard([listing] { ::closedir(listing); });
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (!IsDotOrDotDot(entry->d_name) && !IsLeftoverName(entry->d_name) &&
            !CountBytes(::dirfd(listing), entry->d_name, Child(path, entry->d_name), job))
            return false;
        errno = 0;
    }
    return errno == 0 || FailReading(job, path, errno);
}

bool WriteAll(int out, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(out, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

bool CopyContents(int in, int out, const QByteArray& from, const QByteArray& to, CopyJob& job) {
#ifdef Q_OS_LINUX
    // In the kernel when the file system allows it; the offsets of both
    // files move, so the loop below carries on where this one stopped.
    for (;;) {
        if (Interrupted(job))
            return false;
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, KernelCopyChunk, 0);
        if (copied > 0) {
            Advance(job, copied);
            continue;
        }
        if (copied == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EBADF)
            break;
        return Fail(job,
                    QStringLiteral("Can not copy %1 to %2: %3")
                        .arg(Shown(from), Shown(to), QString::fromLocal8Bit(std::strerror(errno))));
    }
#endif
    // Some file systems report the end too early to the kernel copy; reading
    // on costs one call when it really was the end.
    if (job.buffer.empty())
        job.buffer.resize(BufferSize);
    for (;;) {
        if (Interrupted(job))
            return false;
        const ssize_t got = ::read(in, job.buffer.data(), job.buffer.size());
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FailReading(job, from, errno);
        }
        if (!WriteAll(out, job.buffer.data(), size_t(got)))
            return FailWriting(job, to, errno);
        Advance(job, got);
    }
}

bool CopyFile(int fromFolder, const char* fromName, const QByteArray& from, int toFolder,
              const char* toName, const QByteArray& to, CopyJob& job) {
    // Non-blocking, so that a file swapped for a pipe since it was listed
    // can not hang the copy; the type is checked on what was opened.
    const int in = ::openat(fromFolder, fromName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return FailReading(job, from, errno);
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    struct stat info;
    if (::fstat(in, &info) != 0)
        return FailReading(job, from, errno);
    if (!S_ISREG(info.st_mode))
        return FailReading(job, from, EINVAL);
    FaultInjection::BeforeFileSystemChange();
    const int out =
        ::openat(toFolder, toName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0)
        return FailWriting(job, to, errno);
    auto closeOut = qScopeGuard([out] { ::close(out); });
    FaultInjection::BeforeFileSystemChange();
    if (!CopyContents(in, out, from, to, job))
        return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    FaultInjection::BeforeFileSystemChange();
    if (::fchmod(out, info.st_mode & 07777) != 0 || ::futimens(out, times) != 0)
        return FailWriting(job, to, errno);
    closeOut.dismiss();
    if (::close(out) != 0)
        return FailWriting(job, to, errno);
    return true;
}

bool CopyLink(int fromFolder, const char* fromName, const QByteArray& from, const struct stat& info,
              int toFolder, const char* toName, const QByteArray& to, CopyJob& job) {
    QByteArray target(qMax<qsizetype>(info.st_size, 64) + 1, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlinkat(fromFolder, fromName, target.data(), target.size());
        if (length < 0)
            return FailReading(job, from, errno);
        if (length < target.size()) {
            target.truncate(length);
            break;
        }
        // The link changed since it was listed: try again with more room.
        target.resize(target.size() * 2);
    }
    FaultInjection::BeforeFileSystemChange();
    if (::symlinkat(target.constData(), toFolder, toName) != 0)
        return FailWriting(job, to, errno);
    // Not every file system keeps times on links; the link itself is what counts.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::utimensat(toFolder, toName, times, AT_SYMLINK_NOFOLLOW);
    return true;
}

bool CopyNew(int fromFolder, const char* fromName, const QByteArray& from, int toFolder,
             const char* toName, const QByteArray& to, CopyJob& job);

// Copies what the folder fromName holds into the open, empty folder target.
bool FillFolder(int fromFolder, const char* fromName, const QByteArray& from, int target,
                const QByteArray& to, CopyJob& job) {
    DIR* listing = OpenListing(fromFolder, fromName);
    if (!listing)
        return FailReading(job, from, errno);
    const auto closeListing = qScopeGuard([listing] { ::closedir(listing); });
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (!IsDotOrDotDot(name) && !IsLeftoverName(name) &&
            !CopyNew(::dirfd(listing), name, Child(from, name), target, name, Child(to, name), job))
            return false;
        errno = 0;
    }
    if (errno != 0)
        return FailReading(job, from, errno);
    return true;
}

// The folder's own times and permissions, last, so that a read-only
// folder could still be filled.
bool CopyFolderAttributes(int target, const struct stat& info, const QByteArray& to, CopyJob& job) {
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    FaultInjection::BeforeFileSystemChange();
    if (::futimens(target, times) != 0 || ::fchmod(target, info.st_mode & 07777) != 0)
        return FailWriting(job, to, errno);
    return true;
}

bool CopyFolder(int fromFolder, const char* fromName, const QByteArray& from,
                const struct stat& info, int toFolder, const char* toName, const QByteArray& to,
                CopyJob& job) {
    // Filled while it is ours alone.
    FaultInjection::BeforeFileSystemChange();
    if (::mkdirat(toFolder, toName, 0700) != 0)
        return FailWriting(job, to, errno);
    const FileHandle target(OpenFolder(toFolder, toName));
    if (!target.IsOpen())
        return FailWriting(job, to, errno);
    return FillFolder(fromFolder, fromName, from, target.Get(), to, job) &&
           CopyFolderAttributes(target.Get(), info, to, job);
}

// Makes toName, which must not exist yet, a copy of fromName.
bool CopyNew(int fromFolder, const char* fromName, const QByteArray& from, int toFolder,
             const char* toName, const QByteArray& to, CopyJob& job) {
    struct stat info;
    if (::fstatat(fromFolder, fromName, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, from, errno);
    if (S_ISREG(info.st_mode))
        return CopyFile(fromFolder, fromName, from, toFolder, toName, to, job);
    if (S_ISDIR(info.st_mode))
        return CopyFolder(fromFolder, fromName, from, info, toFolder, toName, to, job);
    if (S_ISLNK(info.st_mode))
        return CopyLink(fromFolder, fromName, from, info, toFolder, toName, to, job);
    // Pipes, sockets and devices have no place in a version; copying one
    // could hang or copy a device's endless contents.
    return Fail(
        job,
        QStringLiteral("Can not copy %1: it is not a file, a folder or a link").arg(Shown(from)));
}

// Removes what a failed copy left under a temporary name.
void RemoveLeftover(int folder, const QByteArray& name, const QByteArray& path) {
    struct stat info;
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (S_ISDIR(info.st_mode)) {
        FileSystem::RemoveTree(QFile::decodeName(path));
    } else {
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(folder, name.constData(), 0);
    }
}

QByteArray UnusedTemporaryName(int folder) {
    const QByteArray prefix = QFile::encodeName(FileSystem::PartialCopyPrefix());
    for (;;) {
        const QByteArray name =
            prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        struct stat info;
        if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return name;
    }
}

// Copies fromName to a temporary name in toFolder and renames it to toName
// once complete, replacing what is there only when asked to.
bool CopyThenRename(int fromFolder, const char* fromName, const QByteArray& from, int toFolder,
                    const QByteArray& toFolderPath, const char* toName, bool replace,
                    CopyJob& job) {
    const QByteArray temporary = UnusedTemporaryName(toFolder);
    const QByteArray temporaryPath = Child(toFolderPath, temporary.constData());
    const QByteArray to = Child(toFolderPath, toName);
    bool copied = CopyNew(fromFolder, fromName, from, toFolder, temporary.constData(), to, job);
    if (copied) {
        FaultInjection::BeforeFileSystemChange();
        const int renamed =
            replace ? ::renameat(toFolder, temporary.constData(), toFolder, toName)
                    : RenameWithoutReplacing(toFolder, temporary.constData(), toFolder, toName);
        copied = renamed == 0 || FailWriting(job, to, errno);
    }
    if (!copied)
        RemoveLeftover(toFolder, temporary, temporaryPath);
    return copied;
}

// Builds toName, which must not exist, under a locked temporary name: the
// copy of the folder fromName, then what fillIn adds. Puts it on disk, and
// only then in place, so that even after a power cut it is whole or absent.
bool CopyAndPublish(int fromFolder, const char* fromName, const QByteArray& from,
                    const struct stat& info, int toFolder, const QByteArray& toFolderPath,
                    const char* toName, const FillIn& fillIn, CopyJob& job) {
    const QByteArray temporary = UnusedTemporaryName(toFolder);
    const QByteArray temporaryPath = Child(toFolderPath, temporary.constData());
    const QByteArray to = Child(toFolderPath, toName);
    FaultInjection::BeforeFileSystemChange();
    if (::mkdirat(toFolder, temporary.constData(), 0700) != 0)
        return FailWriting(job, to, errno);
    auto removeLeftover = qScopeGuard([&] { RemoveLeftover(toFolder, temporary, temporaryPath); });
    const FileHandle target(OpenFolder(toFolder, temporary.constData()));
    // The lock keeps another run's clean-up away while the copy is made.
    if (!target.IsOpen() || !FileSystem::LockWorkFolder(target.Get()))
        return FailWriting(job, to, errno);
    if (!FillFolder(fromFolder, fromName, from, target.Get(), to, job))
        return false;
    if (fillIn) {
        try {
            fillIn(QFile::decodeName(temporaryPath) + u'/');
        } catch (const QuorvelError& error) {
            return Fail(job, error.Message());
        }
    }
    if (!CopyFolderAttributes(target.Get(), info, to, job) || Interrupted(job))
        return false;
    // One sync of the file system costs less than one per file.
    if (::syncfs(target.Get()) != 0)
        return FailWriting(job, to, errno);
    FaultInjection::BeforeFileSystemChange();
    if (RenameWithoutReplacing(toFolder, temporary.constData(), toFolder, toName) != 0)
        return FailWriting(job, to, errno);
    removeLeftover.dismiss();
    ::fsync(toFolder);
    return true;
}

// Copies the folder fromName into the existing folder toName: what is new
// is added, files and links of the same name are replaced.
bool MergeFolder(int fromFolder, const char* fromName, const QByteArray& from, int toFolder,
                 const char* toName, const QByteArray& to, CopyJob& job) {
    DIR* listing = OpenListing(fromFolder, fromName);
    if (!listing)
        return FailReading(job, from, errno);
    const auto closeListing = qScopeGuard([listing] { ::closedir(listing); });
    const int target = OpenFolder(toFolder, toName);
    if (target < 0)
        return FailWriting(job, to, errno);
    const auto closeTarget = qScopeGuard([target] { ::close(target); });
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (IsDotOrDotDot(name) || IsLeftoverName(name)) {
            errno = 0;
            continue;
        }
        const QByteArray fromChild = Child(from, name);
        const QByteArray toChild = Child(to, name);
        struct stat source;
        struct stat existing;
        if (::fstatat(::dirfd(listing), name, &source, AT_SYMLINK_NOFOLLOW) != 0)
            return FailReading(job, fromChild, errno);
        bool done;
        if (::fstatat(target, name, &existing, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return FailWriting(job, toChild, errno);
            done = CopyThenRename(::dirfd(listing), name, fromChild, target, to, name, false, job);
        } else if (S_ISDIR(source.st_mode) && S_ISDIR(existing.st_mode)) {
            done = MergeFolder(::dirfd(listing), name, fromChild, target, name, toChild, job);
        } else if (!S_ISDIR(source.st_mode) && !S_ISDIR(existing.st_mode)) {
            done = CopyThenRename(::dirfd(listing), name, fromChild, target, to, name, true, job);
        } else {
            done = FailWriting(job, toChild, S_ISDIR(existing.st_mode) ? EISDIR : ENOTDIR);
        }
        if (!done)
            return false;
        errno = 0;
    }
    return errno == 0 || FailReading(job, from, errno);
}

// The path with its folder's links resolved; the last name is kept as is,
// since a link there is copied, not followed.
QString PhysicalPath(const QFileInfo& entry) {
    const QString folder = QFileInfo(entry.path()).canonicalFilePath();
    if (folder.isEmpty())
        return entry.absoluteFilePath();
    return folder.endsWith(u'/') ? folder + entry.fileName() : folder + u'/' + entry.fileName();
}

bool Within(const QString& inner, const QString& outer) {
    return inner == outer || inner.startsWith(outer.endsWith(u'/') ? outer : outer + u'/');
}

// Copies `source` to `target` (both absolute and clean). The folder that is
// to hold the target must exist.
bool CopyTree(const QString& source, const QString& target, WhenTargetExists whenExists,
              SourceLink sourceLink, CopyJob& job, const FillIn* fillIn = nullptr) {
    const QFileInfo sourceInfo(source);
    const QFileInfo targetInfo(target);
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    QByteArray fromName = QFile::encodeName(sourceInfo.fileName());
    const QByteArray toName = QFile::encodeName(targetInfo.fileName());
    const QByteArray toFolderPath = QFile::encodeName(targetInfo.path());
    if (fromName.isEmpty() || toName.isEmpty())
        return Fail(job, QStringLiteral("Can not copy %1 to %2").arg(source, target));

    // The folders that hold source and target are the caller's to name,
    // links on the way to them included.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    int fromFolder = ::open(QFile::encodeName(sourceInfo.path()).constData(), flags);
    if (fromFolder < 0)
        return FailReading(job, from, errno);
    const auto closeFrom = qScopeGuard([&fromFolder] { ::close(fromFolder); });
    const int toFolder = ::open(toFolderPath.constData(), flags);
    if (toFolder < 0)
        return FailWriting(job, toFolderPath, errno);
    const auto closeTo = qScopeGuard([toFolder] { ::close(toFolder); });

    struct stat sourceStat;
    if (::fstatat(fromFolder, fromName.constData(), &sourceStat, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, from, errno);
    QString physicalSource = PhysicalPath(sourceInfo);
    if (sourceLink == SourceLink::Follow && S_ISLNK(sourceStat.st_mode)) {
        // The folder the link names is copied, under the link's name; a
        // link to anything else is copied as a link.
        const int linked = ::openat(fromFolder, fromName.constData(), flags);
        if (linked >= 0) {
            ::close(fromFolder);
            fromFolder = linked;
            fromName = ".";
            physicalSource = sourceInfo.canonicalFilePath();
            if (::fstat(fromFolder, &sourceStat) != 0)
                return FailReading(job, from, errno);
        }
    }
    // A folder copied into itself would never end; one copied over a folder
    // that holds it would change under the copy.
    const QString physicalTarget = PhysicalPath(targetInfo);
    if (Within(physicalTarget, physicalSource) || Within(physicalSource, physicalTarget)) {
        return Fail(job, QStringLiteral("Can not copy %1 to %2: the one lies inside the other")
                             .arg(source, target));
    }
    struct stat targetStat;
    const bool targetExists =
        ::fstatat(toFolder, toName.constData(), &targetStat, AT_SYMLINK_NOFOLLOW) == 0;
    if (!targetExists && errno != ENOENT)
        return FailWriting(job, to, errno);
    if (targetExists && whenExists == WhenTargetExists::Refuse)
        return FailWriting(job, to, EEXIST);
    if (targetExists && S_ISDIR(sourceStat.st_mode) != S_ISDIR(targetStat.st_mode))
        return FailWriting(job, to, S_ISDIR(targetStat.st_mode) ? EISDIR : ENOTDIR);

    if (!CountBytes(fromFolder, fromName.constData(), from, job))
        return false;
    User().CopyStarted(source, target, job.totalBytes);
    job.started = true;
    job.sinceReport.start();
    bool copied;
    if (targetExists && S_ISDIR(targetStat.st_mode)) {
        copied = MergeFolder(fromFolder, fromName.constData(), from, toFolder, toName.constData(),
                             to, job);
    } else if (fillIn && S_ISDIR(sourceStat.st_mode)) {
        copied = CopyAndPublish(fromFolder, fromName.constData(), from, sourceStat, toFolder,
                                toFolderPath, toName.constData(), *fillIn, job);
    } else {
        copied = CopyThenRename(fromFolder, fromName.constData(), from, toFolder, toFolderPath,
                                toName.constData(), targetExists, job);
    }
    if (copied && job.reportedBytes != job.doneBytes)
        User().CopyProgress(std::min(job.doneBytes, job.totalBytes));
    return copied;
}

QString AbsoluteClean(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool ShellCopy(const QString& Source, const QString& Destin, CopyJob& job) {
    const QString source = AbsoluteClean(Source);
    const QString destination = AbsoluteClean(Destin);
    if (source.isEmpty() || destination.isEmpty())
        return Fail(job, QStringLiteral("Can not copy \"%1\" to \"%2\"").arg(Source, Destin));
    struct stat info;
    const QByteArray native = QFile::encodeName(destination);
    if (::lstat(native.constData(), &info) == 0) {
        // An existing folder receives the source under its own name; a
        // link to a folder is not entered.
        if (S_ISDIR(info.st_mode)) {
            const QString folder = destination.endsWith(u'/') ? destination : destination + u'/';
            return CopyTree(source, folder + QFileInfo(source).fileName(), WhenTargetExists::Merge,
                            SourceLink::Follow, job);
        }
        return CopyTree(source, destination, WhenTargetExists::Merge, SourceLink::Follow, job);
    }
    if (errno != ENOENT)
        return FailWriting(job, native, errno);
    QString reason;
    const QString parent = QFileInfo(destination).path();
    if (!FileSystem::MakePath(parent, &reason)) {
        return Fail(job, QStringLiteral("Can not write %1: %2").arg(parent, reason));
    }
    return CopyTree(source, destination, WhenTargetExists::Merge, SourceLink::Follow, job);
}

void Finish(const CopyJob& job) {
    if (job.started)
        User().CopyFinished();
}

} // namespace

bool DoFiles(const QString& Source, const QString& Destin, quint16 Mode) {
    if (Mode != ShellFunction::Copy)
        return false;
    CopyJob job;
    const bool copied = ShellCopy(Source, Destin, job);
    Finish(job);
    if (!copied)
        User().ShowMessage(job.error + u'.');
    return copied;
}

bool CopyFiles(const QString& aFromFilePath, const QString& aToFilePath) {
    if (DoFiles(aFromFilePath, aToFilePath, ShellFunction::Copy))
        return true;
    return FileSystem::FileExists(aToFilePath);
}

bool CopyFolderAs(const QString& source, const QString& destination, QString* error,
                  const FillIn& fillIn) {
    CopyJob job;
    const QString from = AbsoluteClean(source);
    const QString to = AbsoluteClean(destination);
    bool copied = false;
    if (from.isEmpty() || to.isEmpty()) {
        Fail(job, QStringLiteral("Can not copy \"%1\" to \"%2\"").arg(source, destination));
    } else if (struct stat info; ::lstat(QFile::encodeName(from).constData(), &info) != 0) {
        FailReading(job, QFile::encodeName(from), errno);
    } else if (!S_ISDIR(info.st_mode)) {
        FailReading(job, QFile::encodeName(from), ENOTDIR);
    } else {
        copied = CopyTree(from, to, WhenTargetExists::Refuse, SourceLink::Copy, job, &fillIn);
    }
    Finish(job);
    if (!copied && error)
        *error = job.error;
    return copied;
}

bool IsLeftoverName(QByteArrayView name) {
    static const QByteArray workFolder = QFile::encodeName(FileSystem::PartialCopyPrefix());
    static const QByteArray dataFile = QFile::encodeName(TConfigStreamer::ConfigFileName());
    return name.startsWith(workFolder) || TextFile::IsSaveTemporaryOf(name, dataFile);
}
