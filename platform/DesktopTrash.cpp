#include "platform/DesktopTrash.h"

#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Work files in info/ do not end in ".trashinfo", so desktops pass them by.
constexpr char kWorkPrefix[] = ".quorvel-trash-";
constexpr char kInfoSuffix[] = ".trashinfo";
// NAME.trashinfo, with a number in NAME, must fit in 255 bytes.
constexpr qsizetype kMaxBaseLength = 255 - 10 - 8;

QByteArray ParentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray Below(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool SyncFolder(const QByteArray& path) {
    const FileHandle folder(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && ::fsync(folder.Get()) == 0;
}

// A new folder lasts once its parent is on disk.
bool NewFolder(const QByteArray& path) {
    FaultInjection::BeforeFileSystemChange();
    if (::mkdir(path.constData(), 0700) != 0)
        return errno == EEXIST;
    SyncFolder(ParentOf(path));
    return true;
}

// Trash folders are private to their user; one that is there
// already is taken as it is.
bool MakeFolder(const QByteArray& path) {
    struct stat info;
    if (::stat(path.constData(), &info) != 0 &&
        (!NewFolder(path) || ::stat(path.constData(), &info) != 0))
        return false;
    return S_ISDIR(info.st_mode);
}

bool MakePath(const QByteArray& path) {
    const QByteArray parent = ParentOf(path);
    struct stat info;
    if (parent != path && ::stat(parent.constData(), &info) != 0 && !MakePath(parent))
        return false;
    return MakeFolder(path);
}

// The device of path, or of its nearest parent that exists.
bool DeviceOf(QByteArray path, dev_t* device) {
    struct stat info;
    while (::stat(path.constData(), &info) != 0) {
        if (errno != ENOENT || path == "/")
            return false;
        path = ParentOf(path);
    }
    *device = info.st_dev;
    return true;
}

QByteArray MountTop(QByteArray folder, dev_t device) {
    struct stat info;
    while (folder != "/") {
        const QByteArray parent = ParentOf(folder);
        if (::stat(parent.constData(), &info) != 0 || info.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// The user's own trash folder at the top of a mount: never a link, nor
// one that someone else owns.
bool MakeOwnFolder(const QByteArray& path) {
    struct stat info;
    if (::lstat(path.constData(), &info) != 0 &&
        (errno != ENOENT || !NewFolder(path) || ::lstat(path.constData(), &info) != 0))
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

QByteArray TopDirectoryTrash(const QByteArray& top) {
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    const QByteArray shared = Below(top, ".Trash");
    struct stat info;
    // The administrator's shared trash counts only with its sticky bit.
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        (info.st_mode & S_ISVTX) && MakeOwnFolder(Below(shared, uid)))
        return Below(shared, uid);
    const QByteArray own = Below(top, ".Trash-" + uid);
    return MakeOwnFolder(own) ? own : QByteArray();
}

// Bytes, not text: a name need not be valid UTF-8.
QByteArray PercentEncoded(const QByteArray& path) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || (byte != 0 && std::strchr("-._~/", byte) != nullptr)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 15];
        }
    }
    return encoded;
}

QByteArray InfoText(const QByteArray& recordedPath) {
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    return "[Trash Info]\nPath=" + PercentEncoded(recordedPath) +
           "\nDeletionDate=" + now.toLatin1() + '\n';
}

// The restored name comes from Path; the name in the trash only has to fit.
QByteArray TrashBaseName(const QByteArray& name) {
    if (name.size() <= kMaxBaseLength)
        return name;
    qsizetype cut = kMaxBaseLength;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.left(cut);
}

bool WriteAll(int fd, const QByteArray& bytes) {
    FaultInjection::BeforeFileSystemChange();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return false;
        done += n > 0 ? n : 0;
    }
    return true;
}

// The whole info text in a new work file in info/, on disk, and locked for
// as long as this run lives, so that no other run takes it for abandoned.
FileHandle WriteWorkFile(int infoFd, const QByteArray& text, QByteArray* name) {
    *name = kWorkPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    FaultInjection::BeforeFileSystemChange();
    FileHandle file(::openat(infoFd, name->constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.IsOpen())
        return file;
    // Where locks are refused, other runs cannot lock it either and leave it.
    FileSystem::LockWorkFolder(file.Get());
    if (!WriteAll(file.Get(), text) || ::fsync(file.Get()) != 0) {
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(infoFd, name->constData(), 0);
        file.Reset();
    }
    return file;
}

// File systems without the kernel's promise (NFS) get a check just before.
int RenameNoReplace(int fromFd, const char* from, int toFd, const char* to) {
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat info;
    if (::fstatat(toFd, to, &info, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFd, from, toFd, to) == 0 ? 0 : errno;
}

// A work file that no live run holds is what a kill left. When it shares
// its file with NAME.trashinfo and files/NAME is missing, the kill came
// before the move: that info file goes too, before the work file that marks
// it as ours.
void RemoveAbandonedWork(int infoFd, int filesFd) {
    std::vector<QByteArray> work;
    std::vector<QByteArray> records;
    FolderListing listing = FolderListing::Of(infoFd);
    while (const char* name = listing.IsOpen() ? listing.Next() : nullptr) {
        const QByteArray entry(name);
        if (entry.startsWith(kWorkPrefix))
            work.push_back(entry);
        else if (entry.endsWith(kInfoSuffix))
            records.push_back(entry);
    }
    for (const QByteArray& name : work) {
        const FileHandle file(
            ::openat(infoFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info;
        if (!file.IsOpen() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            !FileSystem::LockWorkFolder(file.Get()))
            continue;
        for (const QByteArray& record : records) {
            struct stat other;
            if (info.st_nlink < 2 ||
                ::fstatat(infoFd, record.constData(), &other, AT_SYMLINK_NOFOLLOW) != 0 ||
                other.st_ino != info.st_ino || other.st_dev != info.st_dev)
                continue;
            const QByteArray trashed = record.chopped(qsizetype(std::strlen(kInfoSuffix)));
            if (::fstatat(filesFd, trashed.constData(), &other, AT_SYMLINK_NOFOLLOW) != 0 &&
                errno == ENOENT) {
                FaultInjection::BeforeFileSystemChange();
                ::unlinkat(infoFd, record.constData(), 0);
            }
            break;
        }
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(infoFd, name.constData(), 0);
    }
}

} // namespace

DesktopTrash::DesktopTrash() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty())
        homeTrash_ = data + QStringLiteral("/Trash");
}

DesktopTrash::DesktopTrash(const QString& homeTrash)
    : homeTrash_(FileSystem::WithoutTrailingSeparator(homeTrash)) {}

bool DesktopTrash::Move(const QString& path, QString* pathInTrash) {
    const QFileInfo given(FileSystem::WithoutTrailingSeparator(path));
    const QByteArray name = QFile::encodeName(given.fileName());
    if (!given.isAbsolute() || name.isEmpty() || name == "." || name == "..")
        return false;
    // Canonical, so that the mount's top is found by walking up.
    const QByteArray parent = QFile::encodeName(QFileInfo(given.path()).canonicalFilePath());
    const QByteArray source = Below(parent, name);
    struct stat parentInfo;
    struct stat sourceInfo;
    // A mount point cannot be renamed away.
    if (parent.isEmpty() || ::stat(parent.constData(), &parentInfo) != 0 ||
        ::lstat(source.constData(), &sourceInfo) != 0 || sourceInfo.st_dev != parentInfo.st_dev)
        return false;

    QByteArray trash;
    QByteArray recorded = source;
    const QByteArray home = QFile::encodeName(homeTrash_);
    dev_t homeDevice;
    if (!home.isEmpty() && DeviceOf(home, &homeDevice) && homeDevice == parentInfo.st_dev) {
        if (MakePath(home))
            trash = home;
    } else {
        const QByteArray top = MountTop(parent, parentInfo.st_dev);
        trash = TopDirectoryTrash(top);
        // Relative to the top, so the record still holds when mounted elsewhere.
        recorded = source.mid(top == "/" ? 1 : top.size() + 1);
    }
    const QByteArray filesPath = Below(trash, "files");
    const QByteArray infoPath = Below(trash, "info");
    if (trash.isEmpty() || !MakeFolder(filesPath) || !MakeFolder(infoPath))
        return false;
    const FileHandle files(::open(filesPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const FileHandle info(::open(infoPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat filesInfo;
    struct stat infoInfo;
    // A rename cannot cross file systems; the move is refused instead.
    if (!files.IsOpen() || !info.IsOpen() || ::fstat(files.Get(), &filesInfo) != 0 ||
        ::fstat(info.Get(), &infoInfo) != 0 || filesInfo.st_dev != parentInfo.st_dev ||
        infoInfo.st_dev != parentInfo.st_dev)
        return false;
    RemoveAbandonedWork(info.Get(), files.Get());

    // The info file takes its final name whole, before the move: a kill
    // between the two leaves the folder where it was, and a work file that
    // lets the next move remove that info file again.
    QByteArray work;
    const FileHandle workFile = WriteWorkFile(info.Get(), InfoText(recorded), &work);
    if (!workFile.IsOpen())
        return false;
    const QByteArray base = TrashBaseName(name);
    for (int n = 1;; ++n) {
        const QByteArray candidate = n == 1 ? base : base + '.' + QByteArray::number(n);
        const QByteArray record = candidate + kInfoSuffix;
        struct stat taken;
        if (::fstatat(files.Get(), candidate.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (errno != ENOENT)
            break;
        FaultInjection::BeforeFileSystemChange();
        int error = ::linkat(info.Get(), work.constData(), info.Get(), record.constData(), 0) == 0
                        ? 0
                        : errno;
        // Without hard links the work file itself becomes the info file;
        // the failed link changed nothing, so its kill point stands for this.
        if (error == EPERM || error == EOPNOTSUPP)
            error = RenameNoReplace(info.Get(), work.constData(), info.Get(), record.constData());
        if (error == EEXIST)
            continue;
        if (error != 0)
            break;
        ::fsync(info.Get());
        FaultInjection::BeforeFileSystemChange();
        error = RenameNoReplace(AT_FDCWD, source.constData(), files.Get(), candidate.constData());
        if (error == 0) {
            ::fsync(files.Get());
            SyncFolder(parent);
            FaultInjection::BeforeFileSystemChange();
            ::unlinkat(info.Get(), work.constData(), 0);
            if (pathInTrash)
                *pathInTrash = QFile::decodeName(Below(filesPath, candidate));
            return true;
        }
        FaultInjection::BeforeFileSystemChange();
        ::unlinkat(info.Get(), record.constData(), 0);
        if (error != EEXIST)
            break;
    }
    FaultInjection::BeforeFileSystemChange();
    ::unlinkat(info.Get(), work.constData(), 0);
    return false;
}
