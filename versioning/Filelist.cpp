#include "versioning/Filelist.h"

#include "platform/DurabilityRule.h"
#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "platform/TextFile.h"
#include "platform/UserInterface.h"
#include "platform/WorkerPool.h"
#include "storage/TConfigStreamer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
// A worker's share of a folder's files, and how far the walk of the tree
// may run ahead of the workers.
constexpr size_t GroupFiles = 32;
constexpr qint64 GroupBytes = 8 * 1024 * 1024;
constexpr int MaxQueuedGroups = 64;
constexpr size_t MaxWaitingFolders = 256;
// Finished files held open for the flusher.
constexpr int MaxQueuedFlushes = 64;

using SharedHandle = std::shared_ptr<const FileHandle>;

// A folder whose own attributes wait for its files.
struct FolderAttributes {
    SharedHandle target;
    struct stat info;
    QByteArray path;
};

// What one copy has done so far, and why it stopped.
struct CopyJob {
    qint64 totalBytes = 0;
    std::atomic<qint64> doneBytes{0};
    qint64 reportedBytes = 0;
    bool started = false;
    QElapsedTimer sinceReport;
    // Only the thread that started the copy talks to the user.
    const std::thread::id caller = std::this_thread::get_id();
    // Set while files are copied on workers beside the walk of the tree.
    WorkerPool* workers = nullptr;
    WorkerPool::Batch files;
    std::vector<FolderAttributes> waitingFolders;
    // Set when the copy is put on disk before anybody sees it: starts
    // writing finished files to disk while the copy goes on.
    WorkerPool* flusher = nullptr;
    WorkerPool::Batch flushes;
    // Set where syncfs does not reach the storage: every file and folder of
    // the copy is synced on its own before the copy is shown.
    bool syncEachFile_ = false;
    std::atomic<bool> failed{false};
    std::mutex errorLock;
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
    const std::lock_guard<std::mutex> guard(job.errorLock);
    if (job.error.isEmpty())
        job.error = text;
    job.failed = true;
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

// A termination signal stops the copy; what it made so far is removed.
bool Interrupted(CopyJob& job) {
    if (!TerminationSignals::Requested())
        return false;
    Fail(job, QStringLiteral("interrupted"));
    return true;
}

// On the thread that started the copy.
void Report(CopyJob& job) {
    const qint64 done = job.doneBytes;
    if (done - job.reportedBytes < ProgressStepBytes && job.sinceReport.elapsed() < ProgressStepMs)
        return;
    job.reportedBytes = done;
    job.sinceReport.restart();
    // A file that grew while copying must not push the bar past its end.
    User().CopyProgress(std::min(done, job.totalBytes));
}

void Advance(CopyJob& job, qint64 bytes) {
    job.doneBytes += bytes;
    if (std::this_thread::get_id() == job.caller)
        Report(job);
}

// One entry of the tree: the open folder that holds it, its name there,
// and its whole path, for messages.
struct Place {
    int folder;
    const char* name;
    QByteArray path;

    // The entry name of the folder this place is, listed as listing.
    Place Child(const FolderListing& listing, const char* childName) const {
        return {listing.Fd(), childName, ::Child(path, childName)};
    }
};

int OpenFolder(const Place& at) {
    return ::openat(at.folder, at.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int RenameWithoutReplacing(int folder, const char* from, const char* to) {
#ifdef Q_OS_LINUX
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
#endif
    // Without kernel support: a plain rename would replace an empty folder.
    struct stat info;
    if (::fstatat(folder, to, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(folder, from, folder, to);
}

bool CountBytes(const Place& at, CopyJob& job) {
    struct stat info;
    if (::fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, at.path, errno);
    if (S_ISREG(info.st_mode))
        job.totalBytes += info.st_size;
    if (!S_ISDIR(info.st_mode))
        return true;
    FolderListing listing(at.folder, at.name);
    if (!listing.IsOpen())
        return FailReading(job, at.path, listing.Error());
    while (const char* name = listing.Next()) {
        if (!IsLeftoverName(name) && !CountBytes(at.Child(listing, name), job))
            return false;
    }
    return listing.Error() == 0 || FailReading(job, at.path, listing.Error());
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
    thread_local std::vector<char> buffer(BufferSize);
    for (;;) {
        if (Interrupted(job))
            return false;
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FailReading(job, from, errno);
        }
        if (!WriteAll(out, buffer.data(), size_t(got)))
            return FailWriting(job, to, errno);
        Advance(job, got);
    }
}

// Some file systems cannot sync a file or folder at all; that is no
// failure of the copy.
bool Synced(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EOPNOTSUPP || errno == EROFS;
}

// Syncs every file and folder below the open folder fd, deepest first;
// false at the first that cannot be synced.
bool SyncedTree(int fd) {
    FolderListing listing = FolderListing::Of(fd);
    while (const char* name = listing.Next()) {
        const FileHandle entry(::openat(fd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        // A link is synced with its folder.
        if (!entry.IsOpen())
            continue;
        struct stat info;
        if (::fstat(entry.Get(), &info) != 0)
            return false;
        if (S_ISDIR(info.st_mode) ? !SyncedTree(entry.Get()) || !Synced(entry.Get())
                                  : S_ISREG(info.st_mode) && !Synced(entry.Get()))
            return false;
    }
    return true;
}

// Hands a finished file to the flusher, which starts writing it to disk
// (or syncs it, where syncfs would not) and closes it, so that copying and
// writing overlap and the sync that ends the copy waits less. False when
// the flusher is behind: the file is then left to that sync, as waiting
// for the disk here would stall the copy.
bool StartWriting(FileHandle& file, const QByteArray& path, CopyJob& job) {
    const auto writeAndClose = [&job, fd = file.Get(), path, each = job.syncEachFile_] {
        if (each && !Synced(fd))
            FailWriting(job, path, errno);
#ifdef Q_OS_LINUX
        if (!each)
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        if (::close(fd) != 0)
            FailWriting(job, path, errno);
    };
    if (!job.flusher->RunIfFewer(job.flushes, MaxQueuedFlushes, writeAndClose))
        return false;
    file.Release();
    return true;
}

bool CopyFile(const Place& from, const Place& to, CopyJob& job) {
    // Non-blocking, so that a file swapped for a pipe since it was listed
    // can not hang the copy; the type is checked on what was opened.
    const FileHandle in(
        ::openat(from.folder, from.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.IsOpen())
        return FailReading(job, from.path, errno);
    struct stat info;
    if (::fstat(in.Get(), &info) != 0)
        return FailReading(job, from.path, errno);
    if (!S_ISREG(info.st_mode))
        return FailReading(job, from.path, EINVAL);
    FaultInjection::BeforeFileSystemChange();
    FileHandle out(
        ::openat(to.folder, to.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.IsOpen())
        return FailWriting(job, to.path, errno);
    FaultInjection::BeforeFileSystemChange();
    if (!CopyContents(in.Get(), out.Get(), from.path, to.path, job))
        return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    FaultInjection::BeforeFileSystemChange();
    if (::fchmod(out.Get(), info.st_mode & 07777) != 0 || ::futimens(out.Get(), times) != 0)
        return FailWriting(job, to.path, errno);
    if (job.flusher && StartWriting(out, to.path, job))
        return true;
    // With the flusher behind, syncing here holds up one worker only.
    if (job.syncEachFile_ && !Synced(out.Get()))
        return FailWriting(job, to.path, errno);
    if (::close(out.Release()) != 0)
        return FailWriting(job, to.path, errno);
    return true;
}

bool CopyLink(const Place& from, const struct stat& info, const Place& to, CopyJob& job) {
    QByteArray target(qMax<qsizetype>(info.st_size, 64) + 1, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlinkat(from.folder, from.name, target.data(), target.size());
        if (length < 0)
            return FailReading(job, from.path, errno);
        if (length < target.size()) {
            target.truncate(length);
            break;
        }
        // The link changed since it was listed: try again with more room.
        target.resize(target.size() * 2);
    }
    FaultInjection::BeforeFileSystemChange();
    if (::symlinkat(target.constData(), to.folder, to.name) != 0)
        return FailWriting(job, to.path, errno);
    // Not every file system keeps times on links; the link itself is what counts.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::utimensat(to.folder, to.name, times, AT_SYMLINK_NOFOLLOW);
    return true;
}

bool CopyNew(const Place& from, const Place& to, CopyJob& job);
bool CopyEntry(const Place& from, const struct stat& info, const Place& to, CopyJob& job);

// The folder's own times and permissions, last, so that a read-only
// folder could still be filled.
bool CopyFolderAttributes(int target, const struct stat& info, const QByteArray& path,
                          CopyJob& job) {
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    FaultInjection::BeforeFileSystemChange();
    if (::futimens(target, times) != 0 || ::fchmod(target, info.st_mode & 07777) != 0)
        return FailWriting(job, path, errno);
    return true;
}

// The files of one folder that one worker copies one after the other, so
// that two workers seldom wait for the same folder.
struct FileGroup {
    SharedHandle sourceFolder;
    SharedHandle targetFolder;
    QByteArray sourcePath;
    QByteArray targetPath;
    std::vector<QByteArray> names;
    qint64 bytes = 0;

    bool IsFull() const { return names.size() >= GroupFiles || bytes >= GroupBytes; }
};

void CopyGroupBeside(const FileGroup& group, CopyJob& job) {
    // Keeps the queue, and the folders it holds open, from growing with
    // the tree.
    job.workers->Wait(
        job.files, std::chrono::milliseconds(ProgressStepMs), [&] { Report(job); },
        MaxQueuedGroups);
    job.workers->Run(job.files, [&job, group] {
        for (const QByteArray& name : group.names) {
            if (job.failed)
                return;
            CopyFile({group.sourceFolder->Get(), name.constData(),
                      Child(group.sourcePath, name.constData())},
                     {group.targetFolder->Get(), name.constData(),
                      Child(group.targetPath, name.constData())},
                     job);
        }
    });
}

// Where each file is synced, so is each folder once its entries and
// attributes are final: on the flusher, or here when it is behind.
bool SyncFinishedFolder(const SharedHandle& folder, const QByteArray& path, CopyJob& job) {
    if (!job.syncEachFile_)
        return true;
    const auto sync = [&job, folder, path] {
        if (!Synced(folder->Get()))
            FailWriting(job, path, errno);
    };
    if (job.flusher && job.flusher->RunIfFewer(job.flushes, MaxQueuedFlushes, sync))
        return true;
    return Synced(folder->Get()) || FailWriting(job, path, errno);
}

// Waits for the files copied on workers, then gives their folders their
// own attributes.
bool FinishFiles(CopyJob& job) {
    if (job.workers)
        job.workers->Wait(job.files, std::chrono::milliseconds(ProgressStepMs),
                          [&] { Report(job); });
    std::vector<FolderAttributes> folders;
    folders.swap(job.waitingFolders);
    if (job.failed)
        return false;
    return std::all_of(folders.begin(), folders.end(), [&](const FolderAttributes& folder) {
        return CopyFolderAttributes(folder.target->Get(), folder.info, folder.path, job) &&
               SyncFinishedFolder(folder.target, folder.path, job);
    });
}

// Copies what the folder from holds into the open, empty folder target,
// whose path is targetPath.
bool FillFolder(const Place& from, const SharedHandle& target, const QByteArray& targetPath,
                CopyJob& job) {
    FolderListing listing(from.folder, from.name);
    if (!listing.IsOpen())
        return FailReading(job, from.path, listing.Error());
    FileGroup group;
    if (job.workers) {
        // Workers may still read from the folder after the listing ends.
        group = {std::make_shared<const FileHandle>(::fcntl(listing.Fd(), F_DUPFD_CLOEXEC, 0)),
                 target,
                 from.path,
                 targetPath,
                 {},
                 0};
        if (!group.sourceFolder->IsOpen())
            return FailReading(job, from.path, errno);
    }
    while (const char* name = listing.Next()) {
        if (job.failed)
            return false;
        if (IsLeftoverName(name))
            continue;
        const Place source = from.Child(listing, name);
        struct stat info;
        if (::fstatat(source.folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return FailReading(job, source.path, errno);
        if (job.workers && S_ISREG(info.st_mode)) {
            group.names.emplace_back(name);
            group.bytes += info.st_size;
            if (group.IsFull()) {
                CopyGroupBeside(group, job);
                group.names.clear();
                group.bytes = 0;
            }
        } else if (!CopyEntry(source, info, {target->Get(), name, Child(targetPath, name)}, job)) {
            return false;
        }
    }
    if (!group.names.empty())
        CopyGroupBeside(group, job);
    return listing.Error() == 0 || FailReading(job, from.path, listing.Error());
}

bool CopyFolder(const Place& from, const struct stat& info, const Place& to, CopyJob& job) {
    // Filled while it is ours alone.
    FaultInjection::BeforeFileSystemChange();
    if (::mkdirat(to.folder, to.name, 0700) != 0)
        return FailWriting(job, to.path, errno);
    const auto target = std::make_shared<const FileHandle>(OpenFolder(to));
    if (!target->IsOpen())
        return FailWriting(job, to.path, errno);
    if (!FillFolder(from, target, to.path, job))
        return false;
    if (!job.workers)
        return CopyFolderAttributes(target->Get(), info, to.path, job) &&
               SyncFinishedFolder(target, to.path, job);
    // Its files may still be on their way.
    job.waitingFolders.push_back({target, info, to.path});
    return job.waitingFolders.size() < MaxWaitingFolders || FinishFiles(job);
}

// Makes to, which must not exist yet, a copy of from.
bool CopyNew(const Place& from, const Place& to, CopyJob& job) {
    struct stat info;
    if (::fstatat(from.folder, from.name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, from.path, errno);
    return CopyEntry(from, info, to, job);
}

bool CopyEntry(const Place& from, const struct stat& info, const Place& to, CopyJob& job) {
    if (S_ISREG(info.st_mode))
        return CopyFile(from, to, job);
    if (S_ISDIR(info.st_mode))
        return CopyFolder(from, info, to, job);
    if (S_ISLNK(info.st_mode))
        return CopyLink(from, info, to, job);
    // Pipes, sockets and devices have no place in a version; copying one
    // could hang or copy a device's endless contents.
    return Fail(job, QStringLiteral("Can not copy %1: it is not a file, a folder or a link")
                         .arg(Shown(from.path)));
}

// Removes what a failed copy left under a temporary name.
void RemoveLeftover(const Place& at) {
    struct stat info;
    if (::fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (S_ISDIR(info.st_mode)) {
        // Through the folder it was made in, which may have been renamed
        // meanwhile by another program.
        FileSystem::RemoveTree(QStringLiteral("/proc/self/fd/%1/").arg(at.folder) +
                               QFile::decodeName(at.name));
    } else {
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(at.folder, at.name, 0);
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

// The folder of to's path, for a temporary name beside it.
// Swaps two folders of one folder: each takes the other's name at once;
// *replaced is where the folder that was at `to` is then. Where the file
// system cannot swap, that folder first steps aside under a hidden work
// name; a crash between the two steps leaves no folder at `to` and both
// hidden, for a clean-up.
int ExchangeFolders(int folder, const char* from, const char* to, QByteArray* replaced) {
#ifdef Q_OS_LINUX
    FaultInjection::BeforeFileSystemChange();
    if (::renameat2(folder, from, folder, to, RENAME_EXCHANGE) == 0) {
        *replaced = from;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
#endif
    const QByteArray aside = UnusedTemporaryName(folder);
    FaultInjection::BeforeFileSystemChange();
    if (::renameat(folder, to, folder, aside.constData()) != 0)
        return -1;
    FaultInjection::BeforeFileSystemChange();
    if (RenameWithoutReplacing(folder, from, to) != 0)
        return -1;
    *replaced = aside;
    return 0;
}

QByteArray FolderOf(const Place& to) {
    const qsizetype slash = to.path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : to.path.left(slash);
}

// Copies from to a temporary name beside to and renames it to to once
// complete, replacing what is there only when asked to.
bool CopyThenRename(const Place& from, const Place& to, bool replace, CopyJob& job) {
    const QByteArray temporaryName = UnusedTemporaryName(to.folder);
    const Place temporary{to.folder, temporaryName.constData(),
                          Child(FolderOf(to), temporaryName.constData())};
    bool copied = CopyNew(from, {to.folder, temporary.name, to.path}, job);
    if (copied) {
        FaultInjection::BeforeFileSystemChange();
        const int renamed = replace ? ::renameat(to.folder, temporary.name, to.folder, to.name)
                                    : RenameWithoutReplacing(to.folder, temporary.name, to.name);
        copied = renamed == 0 || FailWriting(job, to.path, errno);
    }
    if (!copied)
        RemoveLeftover(temporary);
    return copied;
}

// Builds to, which must not exist, under a locked temporary name: the copy
// of the folder from, then what fillIn adds. Puts it on disk, and only then
// in place, so that even after a power cut it is whole or absent.
bool CopyAndPublish(const Place& from, const struct stat& info, const Place& to,
                    const FillIn& fillIn, const Publish* publish, CopyJob& job) {
    const QByteArray temporaryName = UnusedTemporaryName(to.folder);
    const Place temporary{to.folder, temporaryName.constData(),
                          Child(FolderOf(to), temporaryName.constData())};
    FaultInjection::BeforeFileSystemChange();
    if (::mkdirat(to.folder, temporary.name, 0700) != 0)
        return FailWriting(job, to.path, errno);
    auto removeLeftover = qScopeGuard([&] { RemoveLeftover(temporary); });
    const auto folder = std::make_shared<const FileHandle>(OpenFolder(temporary));
    const FileHandle& target = *folder;
    // The lock keeps another run's clean-up away while the copy is made.
    if (!target.IsOpen() || !FileSystem::LockWorkFolder(target.Get()))
        return FailWriting(job, to.path, errno);
    job.syncEachFile_ = !DurabilityRule::SyncfsReachesStorage(target.Get());
    {
        // A copy one file at a time leaves the disk and the processors
        // waiting on each other.
        WorkerPool flusher(1);
        WorkerPool workers(WorkerPool::ThreadsForFiles());
        job.workers = &workers;
        job.flusher = &flusher;
        bool filled = FillFolder(from, folder, to.path, job) && FinishFiles(job);
        flusher.Wait(job.flushes, std::chrono::milliseconds(ProgressStepMs), [] {});
        filled = filled && !job.failed;
        job.workers = nullptr;
        job.flusher = nullptr;
        if (!filled)
            return false;
    }
    if (fillIn) {
        try {
            // Where the open folder is now: if another program moved the
            // folder it stands in meanwhile, nothing is made again there.
            fillIn(QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(target.Get())).symLinkTarget() +
                   u'/');
        } catch (const QuorvelError& error) {
            return Fail(job, error.Message());
        }
    }
    if (!CopyFolderAttributes(target.Get(), info, to.path, job) || Interrupted(job))
        return false;
    // One sync of the file system costs less than one per file; where it
    // does not reach the storage, the files and folders below were synced
    // one by one, and the copy's own folder is left.
    if (job.syncEachFile_ ? !Synced(target.Get()) : ::syncfs(target.Get()) != 0)
        return FailWriting(job, to.path, errno);
    if (publish && *publish) {
        bool placed = false;
        QByteArray replacedName;
        const auto placeAs = [&](const QString& name, Placing placing) {
            const QByteArray native = QFile::encodeName(name);
            if (placing == Placing::Replace) {
                // The old folder takes the copy's hidden name at once, so that
                // a version of that name is there at every moment.
                if (ExchangeFolders(to.folder, temporary.name, native.constData(), &replacedName) !=
                    0)
                    return errno;
            } else {
                FaultInjection::BeforeFileSystemChange();
                if (RenameWithoutReplacing(to.folder, temporary.name, native.constData()) != 0)
                    return errno;
            }
            placed = true;
            removeLeftover.dismiss();
            // On disk before the publisher lists it anywhere.
            ::fsync(to.folder);
            return 0;
        };
        try {
            if (!(*publish)(placeAs) && !placed)
                return Fail(job, QString());
        } catch (const QuorvelError& error) {
            // Once in place the copy is a version: it stays whatever follows.
            if (!placed)
                return Fail(job, error.Message());
            throw;
        }
        if (!placed)
            return Fail(job, QString());
        // What was replaced goes; a failure leaves it hidden for a clean-up.
        if (!replacedName.isEmpty())
            RemoveLeftover({to.folder, replacedName.constData(),
                            Child(FolderOf(to), replacedName.constData())});
        return true;
    }
    FaultInjection::BeforeFileSystemChange();
    if (RenameWithoutReplacing(to.folder, temporary.name, to.name) != 0)
        return FailWriting(job, to.path, errno);
    removeLeftover.dismiss();
    // The version is in place and whole; a failed sync of its name is no
    // reason to take it away again.
    ::fsync(to.folder);
    return true;
}

// Copies the folder from into the existing folder to: what is new is
// added, files and links of the same name are replaced.
bool MergeFolder(const Place& from, const Place& to, CopyJob& job) {
    FolderListing listing(from.folder, from.name);
    if (!listing.IsOpen())
        return FailReading(job, from.path, listing.Error());
    const FileHandle target(OpenFolder(to));
    if (!target.IsOpen())
        return FailWriting(job, to.path, errno);
    while (const char* name = listing.Next()) {
        if (IsLeftoverName(name))
            continue;
        const Place source = from.Child(listing, name);
        const Place destination{target.Get(), name, Child(to.path, name)};
        struct stat sourceInfo;
        struct stat existing;
        if (::fstatat(source.folder, name, &sourceInfo, AT_SYMLINK_NOFOLLOW) != 0)
            return FailReading(job, source.path, errno);
        bool done;
        if (::fstatat(target.Get(), name, &existing, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return FailWriting(job, destination.path, errno);
            done = CopyThenRename(source, destination, false, job);
        } else if (S_ISDIR(sourceInfo.st_mode) && S_ISDIR(existing.st_mode)) {
            done = MergeFolder(source, destination, job);
        } else if (!S_ISDIR(sourceInfo.st_mode) && !S_ISDIR(existing.st_mode)) {
            done = CopyThenRename(source, destination, true, job);
        } else {
            done = FailWriting(job, destination.path, S_ISDIR(existing.st_mode) ? EISDIR : ENOTDIR);
        }
        if (!done)
            return false;
    }
    return listing.Error() == 0 || FailReading(job, from.path, listing.Error());
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
              SourceLink sourceLink, CopyJob& job, const FillIn* fillIn = nullptr,
              const Publish* publish = nullptr) {
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
    FileHandle fromFolder(::open(QFile::encodeName(sourceInfo.path()).constData(), flags));
    if (!fromFolder.IsOpen())
        return FailReading(job, from, errno);
    const FileHandle toFolder(::open(toFolderPath.constData(), flags));
    if (!toFolder.IsOpen())
        return FailWriting(job, toFolderPath, errno);

    struct stat sourceStat;
    if (::fstatat(fromFolder.Get(), fromName.constData(), &sourceStat, AT_SYMLINK_NOFOLLOW) != 0)
        return FailReading(job, from, errno);
    QString physicalSource = PhysicalPath(sourceInfo);
    if (sourceLink == SourceLink::Follow && S_ISLNK(sourceStat.st_mode)) {
        // The folder the link names is copied, under the link's name; a
        // link to anything else is copied as a link.
        const int linked = ::openat(fromFolder.Get(), fromName.constData(), flags);
        if (linked >= 0) {
            fromFolder.Reset(linked);
            fromName = ".";
            physicalSource = sourceInfo.canonicalFilePath();
            if (::fstat(fromFolder.Get(), &sourceStat) != 0)
                return FailReading(job, from, errno);
        }
    }
    // A folder copied into itself would never end; one copied over a folder
    // that holds it would change under the copy.
    // A copy that its publisher names is built beside the target, and may
    // take the source's own place.
    const bool named = publish && *publish;
    const QString physicalTarget =
        named ? QFileInfo(targetInfo.path()).canonicalFilePath() : PhysicalPath(targetInfo);
    if (Within(physicalTarget, physicalSource) ||
        (!named && Within(physicalSource, physicalTarget))) {
        return Fail(job, QStringLiteral("Can not copy %1 to %2: the one lies inside the other")
                             .arg(source, target));
    }
    struct stat targetStat;
    // Nor does it land on what is there.
    const bool targetExists = !named && ::fstatat(toFolder.Get(), toName.constData(), &targetStat,
                                                  AT_SYMLINK_NOFOLLOW) == 0;
    if (!named && !targetExists && errno != ENOENT)
        return FailWriting(job, to, errno);
    if (targetExists && whenExists == WhenTargetExists::Refuse)
        return FailWriting(job, to, EEXIST);
    if (targetExists && S_ISDIR(sourceStat.st_mode) != S_ISDIR(targetStat.st_mode))
        return FailWriting(job, to, S_ISDIR(targetStat.st_mode) ? EISDIR : ENOTDIR);

    const Place sourcePlace{fromFolder.Get(), fromName.constData(), from};
    const Place targetPlace{toFolder.Get(), toName.constData(), to};
    if (!CountBytes(sourcePlace, job))
        return false;
    User().CopyStarted(source, target, job.totalBytes);
    job.started = true;
    job.sinceReport.start();
    bool copied;
    if (targetExists && S_ISDIR(targetStat.st_mode))
        copied = MergeFolder(sourcePlace, targetPlace, job);
    else if (fillIn && S_ISDIR(sourceStat.st_mode))
        copied = CopyAndPublish(sourcePlace, sourceStat, targetPlace, *fillIn, publish, job);
    else
        copied = CopyThenRename(sourcePlace, targetPlace, targetExists, job);
    if (copied && job.reportedBytes != job.doneBytes)
        User().CopyProgress(std::min(job.doneBytes.load(), job.totalBytes));
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
                  const FillIn& fillIn, const Publish& publish) {
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
        copied =
            CopyTree(from, to, WhenTargetExists::Refuse, SourceLink::Copy, job, &fillIn, &publish);
    }
    Finish(job);
    if (!copied && error)
        *error = job.error;
    return copied;
}

bool PutTreeOnDisk(const QString& folder) {
    const FileHandle fd(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen())
        return false;
    return DurabilityRule::SyncfsReachesStorage(fd.Get()) || SyncedTree(fd.Get());
}

bool IsLeftoverName(QByteArrayView name) {
    static const QByteArray workFolder = QFile::encodeName(FileSystem::PartialCopyPrefix());
    static const QByteArray dataFile = QFile::encodeName(TConfigStreamer::ConfigFileName());
    return name.startsWith(workFolder) || TextFile::IsSaveTemporaryOf(name, dataFile);
}
