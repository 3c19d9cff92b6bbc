#include "versioning/VersionSize.h"

#include "platform/ExtentSharing.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

QByteArray Join(const QByteArray& folder, const char* name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

qint64 Allocated(const struct stat& info) {
    return qint64(info.st_blocks) * 512;
}

} // namespace

// A file with several names is counted once; one whose other names lie
// outside the folder frees nothing when the folder goes.
struct VersionSize::Walk {
    struct Linked {
        nlink_t links = 0;
        nlink_t seen = 0;
        qint64 allocated = 0;
        qint64 shared = 0;
    };
    std::map<std::pair<dev_t, ino_t>, Linked> linked;
};

bool VersionSize::Fail(const QByteArray& path, int code) {
    error_ = QStringLiteral("cannot read %1: %2")
                 .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool VersionSize::Measure(const QString& folder) {
    totals_ = Totals();
    cancelled_ = false;
    error_.clear();
    // "link/" would lead through a link.
    const QByteArray root = QFile::encodeName(FileSystem::WithoutTrailingSeparator(folder));
    FolderListing top(AT_FDCWD, root.constData());
    if (!top.IsOpen())
        return Fail(root, top.Error());
    struct stat info;
    if (::fstat(top.Fd(), &info) != 0)
        return Fail(root, errno);
    totals_.allocated += Allocated(info);

    Walk walk;
    // Folders still to list, each with its path; depth first, one open at a time.
    std::vector<std::pair<FolderListing, QByteArray>> open;
    open.emplace_back(std::move(top), root);
    while (!open.empty()) {
        FolderListing& listing = open.back().first;
        const QByteArray path = open.back().second;
        const char* name = listing.Next();
        if (!name) {
            if (listing.Error() != 0)
                return Fail(path, listing.Error());
            open.pop_back();
            continue;
        }
        const QByteArray entry = Join(path, name);
        if (::fstatat(listing.Fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(entry, errno);
        if (S_ISDIR(info.st_mode)) {
            totals_.allocated += Allocated(info);
            FolderListing sub(listing.Fd(), name);
            if (!sub.IsOpen())
                return Fail(entry, sub.Error());
            open.emplace_back(std::move(sub), entry);
            continue;
        }
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
            continue;
        ++totals_.files;
        totals_.bytes += qint64(info.st_size);
        Walk::Linked* link = nullptr;
        bool counted = false;
        if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
            link = &walk.linked[{info.st_dev, info.st_ino}];
            link->links = info.st_nlink;
            // Its blocks go with its first name.
            counted = link->seen++ > 0;
        }
        const qint64 allocated = counted ? 0 : Allocated(info);
        qint64 shared = 0;
        if (S_ISREG(info.st_mode) && allocated > 0) {
            // A file that cannot be opened cannot tell: its blocks count as its own.
            const FileHandle file(
                ::openat(listing.Fd(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (file.IsOpen())
                shared = std::clamp<qint64>(ExtentSharing::SharedBytes(file.Get()), 0, allocated);
        }
        totals_.allocated += allocated;
        totals_.shared += shared;
        if (link && !counted) {
            link->allocated = allocated;
            link->shared = shared;
        }
        if (progress_ && !progress_(totals_)) {
            cancelled_ = true;
            error_ = QStringLiteral("cancelled");
            return false;
        }
    }
    for (const auto& [id, link] : walk.linked) {
        if (link.seen < link.links)
            totals_.shared += link.allocated - link.shared;
    }
    return true;
}
