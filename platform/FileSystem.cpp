#include "platform/FileSystem.h"

#include "platform/DesktopTrash.h"
#include "platform/DurabilityRule.h"
#include "platform/FaultInjection.h"
#include "platform/FileHandle.h"
#include "platform/FolderListing.h"
#include "platform/QuorvelError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileSystem {

static std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(WithoutTrailingSeparator(path)).toStdString());
}

QString WithoutTrailingSeparator(const QString& path) {
    if (path.size() > 1 && path.endsWith(u'/'))
        return path.left(path.size() - 1);
    return path;
}

QString ReadableName(QByteArrayView name) {
    QString shown;
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = TextRules::Utf8SequenceLength(bytes + i, name.size() - i);
        if (length == 0) {
            shown += QStringLiteral("\\x") +
                     QString::number(bytes[i], 16).toUpper().rightJustified(2, u'0');
            ++i;
        } else {
            shown += QString::fromUtf8(name.data() + i, length);
            i += length;
        }
    }
    return shown;
}

QStringList ListSubfolders(const QString& folder, QStringList* unreadable, QStringList* links) {
    QStringList names;
#ifdef Q_OS_UNIX
    FolderListing listing(AT_FDCWD, QFile::encodeName(folder).constData(),
                          FolderListing::AtLink::Follow);
    while (const char* name = listing.IsOpen() ? listing.Next() : nullptr) {
        if (!listing.IsFolder()) {
            if (links && listing.IsLinkToFolder())
                links->append(ReadableName(QByteArrayView(name, qsizetype(std::strlen(name)))));
            continue;
        }
        // File names here are UTF-8 (Qt's own rule on Unix); the general
        // decoder costs more than the whole walk.
        const qsizetype length = qsizetype(std::strlen(name));
        if (TextRules::IsUtf8(QByteArrayView(name, length)))
            names.append(QString::fromUtf8(name, length));
        else if (unreadable)
            unreadable->append(ReadableName(QByteArrayView(name, length)));
    }
    if (listing.Error() != 0) {
        throw QuorvelError(
            QStringLiteral("Can not read the folder %1: %2")
                .arg(folder, QString::fromLocal8Bit(std::strerror(listing.Error()))));
    }
#else
    if (!QFileInfo(folder).isDir())
        throw QuorvelError(QStringLiteral("Can not read the folder %1").arg(folder));
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            names.append(it.fileName());
        else if (links)
            links->append(it.fileName());
    }
#endif
    return names;
}

bool FolderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool MakePath(const QString& path, QString* reason) {
    // Folder by folder, so that each one made counts as a change of its own.
    const auto native = NativePath(path);
    std::vector<std::filesystem::path> missing;
    std::error_code error;
    for (auto folder = native; !folder.empty(); folder = folder.parent_path()) {
        if (std::filesystem::exists(std::filesystem::symlink_status(folder, error)))
            break;
        missing.push_back(folder);
        if (folder == folder.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend() && !error; ++it) {
        FaultInjection::BeforeFileSystemChange();
        std::filesystem::create_directory(*it, error);
    }
    if (!error && std::filesystem::is_directory(native, error))
        return true;
    if (reason) {
        *reason = error ? QString::fromStdString(error.message())
                        : QStringLiteral("a file of that name exists");
    }
    return false;
}

bool MakeFolder(const QString& path, QString* reason) {
    const QByteArray native = QFile::encodeName(WithoutTrailingSeparator(path));
    FaultInjection::BeforeFileSystemChange();
    if (::mkdir(native.constData(), 0777) == 0) {
        DurabilityRule::SyncFolderHolding(path);
        return true;
    }
    const int error = errno;
    // A folder the catalogue did not know yet is taken as it is.
    struct stat info;
    if (error == EEXIST && ::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    if (reason) {
        *reason = error == EEXIST ? QStringLiteral("a file of that name exists")
                                  : QString::fromLocal8Bit(std::strerror(error));
    }
    return false;
}

bool RenameFolder(const QString& from, const QString& to) {
    const QString source = WithoutTrailingSeparator(from);
    const QString target = WithoutTrailingSeparator(to);
    // QDir::rename refuses to replace; the check covers file systems where
    // the kernel cannot promise that.
    if (QFileInfo::exists(target) && source != target)
        return false;
    FaultInjection::BeforeFileSystemChange();
    return QDir().rename(source, target);
}

bool MoveToTrash(const QString& path) {
    // Qt's own leaves half a record when killed midway; ours syncs the
    // folders it changed.
    return DesktopTrash().Move(path);
}

bool RemoveTree(const QString& path) {
    std::error_code error;
    const auto native = NativePath(path);
    // Read-only files and folders go too, as the user asked for all of it.
    // Links are never followed, so nothing outside the tree changes.
    std::error_code ignored;
    FaultInjection::BeforeFileSystemChange();
    std::filesystem::permissions(
        native, std::filesystem::perms::owner_all,
        std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ignored);
    for (auto it = std::filesystem::recursive_directory_iterator(native, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add |
                                             std::filesystem::perm_options::nofollow,
                                         ignored);
        }
    }
    FaultInjection::BeforeFileSystemChange();
    std::filesystem::remove_all(native, error);
    return !error && !std::filesystem::exists(native, error);
}

bool RemoveTreeWholly(const QString& path) {
    const QString folder = WithoutTrailingSeparator(path);
    const QString aside = QFileInfo(folder).path() + u'/' + PartialCopyPrefix() +
                          QString::number(QRandomGenerator::global()->generate64(), 36);
    // A file system that cannot rename it gets the plain removal.
    return RenameFolder(folder, aside) ? RemoveTree(aside) : RemoveTree(folder);
}

QString PartialCopyPrefix() {
    return QStringLiteral(".quorvel-partial-");
}

bool LockWorkFolder(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool RemoveIfAbandoned(const QString& path) {
    const QByteArray native = QFile::encodeName(WithoutTrailingSeparator(path));
    FileHandle work(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!work.IsOpen() || ::fstat(work.Get(), &info) != 0 || !LockWorkFolder(work.Get()))
        return false;
    if (S_ISDIR(info.st_mode))
        return RemoveTree(path);
    FaultInjection::BeforeFileSystemChange();
    return ::unlink(native.constData()) == 0;
}

QStringList RemoveAbandonedSaveTemporaries(const QString& folder, const QString& fileName) {
    const QByteArray name = QFile::encodeName(fileName);
    QStringList candidates;
    FolderListing listing(AT_FDCWD, QFile::encodeName(folder).constData(),
                          FolderListing::AtLink::Follow);
    while (const char* entry = listing.IsOpen() ? listing.Next() : nullptr) {
        if (TextFile::IsSaveTemporaryOf(QByteArrayView(entry), name))
            candidates << QFile::decodeName(entry);
    }
    QStringList removed;
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    for (const QString& candidate : candidates) {
        // A save still running holds its temporary locked.
        if (RemoveIfAbandoned(base + candidate))
            removed << base + candidate;
    }
    return removed;
}

QStringList RemoveAbandonedWorkFolders(const QString& folder) {
    QStringList removed;
    const QByteArray prefix = QFile::encodeName(PartialCopyPrefix());
    QStringList candidates;
    FolderListing listing(AT_FDCWD, QFile::encodeName(folder).constData(),
                          FolderListing::AtLink::Follow);
    while (const char* name = listing.IsOpen() ? listing.Next() : nullptr) {
        if (std::strncmp(name, prefix.constData(), size_t(prefix.size())) == 0)
            candidates << QFile::decodeName(name);
    }
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    for (const QString& name : candidates) {
        if (RemoveIfAbandoned(base + name))
            removed << base + name;
    }
    return removed;
}

bool IsSingleFolderName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(u'/') && !name.contains(QDir::separator()) && !name.contains(QChar(0));
}

} // namespace FileSystem
