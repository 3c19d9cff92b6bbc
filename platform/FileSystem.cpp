#include "platform/FileSystem.h"

#include "platform/QuorvelError.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
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

QStringList ListSubfolders(const QString& folder) {
    QStringList names;
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        throw QuorvelError(QStringLiteral("Can not read the folder %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    QByteArray entryPath = native;
    if (!entryPath.endsWith('/'))
        entryPath += '/';
    const qsizetype prefix = entryPath.size();
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            // Some file systems do not fill in the type; ask without following links.
            entryPath.truncate(prefix);
            entryPath += name;
            struct stat info;
            isFolder = ::lstat(entryPath.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        // File names here are UTF-8 (Qt's own rule on Unix); the general
        // decoder costs more than the whole walk.
        if (isFolder)
            names.append(QString::fromUtf8(name, qsizetype(std::strlen(name))));
    }
    ::closedir(dir);
#else
    if (!QFileInfo(folder).isDir())
        throw QuorvelError(QStringLiteral("Can not read the folder %1").arg(folder));
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            names.append(it.fileName());
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
    std::error_code error;
    const auto native = NativePath(path);
    std::filesystem::create_directories(native, error);
    if (!error && std::filesystem::is_directory(native, error))
        return true;
    if (reason) {
        *reason = error ? QString::fromStdString(error.message())
                        : QStringLiteral("a file of that name exists");
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
    return QDir().rename(source, target);
}

bool MoveToTrash(const QString& path) {
    // Without the data folder Qt puts the trash below the current folder.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QString pathInTrash;
    if (!QFile::moveToTrash(WithoutTrailingSeparator(path), &pathInTrash))
        return false;
    return pathInTrash.contains(QStringLiteral("/Trash/files/")) ||
           pathInTrash.contains(QStringLiteral("/.Trash"));
}

bool RemoveTree(const QString& path) {
    std::error_code error;
    const auto native = NativePath(path);
    // Read-only files and folders go too, as the user asked for all of it.
    // Links are never followed, so nothing outside the tree changes.
    std::error_code ignored;
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
    std::filesystem::remove_all(native, error);
    return !error && !std::filesystem::exists(native, error);
}

QString PartialCopyPrefix() {
    return QStringLiteral(".quorvel-partial-");
}

bool IsSingleFolderName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(u'/') && !name.contains(QDir::separator()) && !name.contains(QChar(0));
}

} // namespace FileSystem
