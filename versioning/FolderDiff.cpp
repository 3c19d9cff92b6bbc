#include "versioning/FolderDiff.h"

#include "catalogue/TVersionItem.h"
#include "platform/FileHandle.h"
#include "platform/FolderListing.h"
#include "storage/TConfigStreamer.h"
#include "versioning/Filelist.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t BufferSize = 1024 * 1024;

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

// Reads until the buffer is full or the file ends; -1 on error.
ssize_t ReadFull(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += size_t(got);
    }
    return ssize_t(done);
}

} // namespace

void FolderDiff::Exclude(const QString& topLevelName) {
    excluded_.push_back(QFile::encodeName(topLevelName));
}

bool FolderDiff::Fail(const QByteArray& path, int code) {
    error_ = QStringLiteral("cannot read %1: %2")
                 .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool FolderDiff::Compare(const QString& first, const QString& second) {
    differences_.clear();
    error_.clear();
    cancelled_ = false;
    const QByteArray rootA = QFile::encodeName(first);
    const QByteArray rootB = QFile::encodeName(second);
    Tree treeA;
    Tree treeB;
    {
        FileHandle folderA(::open(rootA.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderA.Get() < 0)
            return Fail(rootA, errno);
        if (!Walk(rootA, folderA.Get(), QByteArray(), treeA))
            return false;
    }
    {
        FileHandle folderB(::open(rootB.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderB.Get() < 0)
            return Fail(rootB, errno);
        if (!Walk(rootB, folderB.Get(), QByteArray(), treeB))
            return false;
    }
    for (const QByteArray& name : excluded_) {
        treeA.erase(name);
        treeB.erase(name);
    }

    int total = 0;
    if (progress_) {
        for (const auto& entry : treeA)
            total += int(treeB.count(entry.first));
    }
    int done = 0;
    auto a = treeA.begin();
    auto b = treeB.begin();
    while (a != treeA.end() || b != treeB.end()) {
        if (b == treeB.end() || (a != treeA.end() && a->first < b->first)) {
            differences_.push_back({Kind::Deleted, a->first});
            ++a;
        } else if (a == treeA.end() || b->first < a->first) {
            differences_.push_back({Kind::Added, b->first});
            ++b;
        } else {
            if (progress_ && !progress_(a->first, done++, total)) {
                cancelled_ = true;
                error_ = QStringLiteral("comparison cancelled");
                return false;
            }
            bool same = false;
            if (!Same(rootA, rootB, a->first, a->second, b->second, &same))
                return false;
            if (!same)
                differences_.push_back({Kind::Modified, a->first});
            ++a;
            ++b;
        }
    }
    return true;
}

bool FolderDiff::CompareVersions(const TVersionItem& first, const TVersionItem& second) {
    first.CheckFolderNames();
    second.CheckFolderNames();
    const QString dataFile = TConfigStreamer::ConfigFileName();
    if (std::find(excluded_.begin(), excluded_.end(), QFile::encodeName(dataFile)) ==
        excluded_.end())
        Exclude(dataFile);
    return Compare(first.Path(), second.Path());
}

bool FolderDiff::Walk(const QByteArray& root, int folder, const QByteArray& relative, Tree& tree) {
    FolderListing listing = FolderListing::Of(folder);
    if (!listing.IsOpen())
        return Fail(Join(root, relative), listing.Error());
    while (const char* name = listing.Next()) {
        // Unfinished work of the program is no difference between versions.
        if (IsLeftoverName(name))
            continue;
        const QByteArray path = Join(relative, QByteArray(name));
        struct stat info {};
        if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(Join(root, path), errno);
        if (S_ISDIR(info.st_mode)) {
            const FileHandle sub(
                ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub.IsOpen())
                return Fail(Join(root, path), errno);
            if (!Walk(root, sub.Get(), path, tree))
                return false;
        } else if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) {
            Entry item;
            item.isLink = S_ISLNK(info.st_mode);
            item.size = qint64(info.st_size);
            item.device = quint64(info.st_dev);
            item.inode = quint64(info.st_ino);
            tree.emplace(path, item);
        }
        // Devices, pipes and sockets hold no work of a version.
    }
    return listing.Error() == 0 || Fail(Join(root, relative), listing.Error());
}

bool FolderDiff::Same(const QByteArray& first, const QByteArray& second, const QByteArray& relative,
                      const Entry& a, const Entry& b, bool* same) {
    if (a.isLink != b.isLink) {
        *same = false;
        return true;
    }
    const QByteArray pathA = Join(first, relative);
    const QByteArray pathB = Join(second, relative);
    if (a.isLink)
        return SameLinkTarget(pathA, pathB, same);
    if (a.size != b.size) {
        *same = false;
        return true;
    }
    // One file seen twice (a hard link, or the same folder given twice).
    if (a.device == b.device && a.inode == b.inode) {
        *same = true;
        return true;
    }
    return SameContents(pathA, pathB, same);
}

bool FolderDiff::SameLinkTarget(const QByteArray& a, const QByteArray& b, bool* same) {
    char targetA[4096];
    char targetB[4096];
    const ssize_t lengthA = ::readlink(a.constData(), targetA, sizeof targetA);
    if (lengthA < 0)
        return Fail(a, errno);
    const ssize_t lengthB = ::readlink(b.constData(), targetB, sizeof targetB);
    if (lengthB < 0)
        return Fail(b, errno);
    *same = lengthA == lengthB && std::memcmp(targetA, targetB, size_t(lengthA)) == 0;
    return true;
}

bool FolderDiff::SameContents(const QByteArray& a, const QByteArray& b, bool* same) {
    FileHandle fileA(::open(a.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fileA.Get() < 0)
        return Fail(a, errno);
    FileHandle fileB(::open(b.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fileB.Get() < 0)
        return Fail(b, errno);
    ::posix_fadvise(fileA.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(fileB.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    bufferA_.resize(BufferSize);
    bufferB_.resize(BufferSize);
    for (;;) {
        const ssize_t gotA = ReadFull(fileA.Get(), bufferA_.data(), BufferSize);
        if (gotA < 0)
            return Fail(a, errno);
        const ssize_t gotB = ReadFull(fileB.Get(), bufferB_.data(), BufferSize);
        if (gotB < 0)
            return Fail(b, errno);
        // A file that changed size since it was listed differs too.
        if (gotA != gotB || std::memcmp(bufferA_.data(), bufferB_.data(), size_t(gotA)) != 0) {
            *same = false;
            return true;
        }
        if (gotA == 0) {
            *same = true;
            return true;
        }
    }
}

QByteArray FolderDiff::Quoted(const QByteArray& path) {
    const bool plain = std::none_of(path.begin(), path.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f || c == '"' || c == '\\';
    });
    if (plain)
        return path;
    QByteArray out = "\"";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                out += '\\';
                out += char('0' + ((byte >> 6) & 7));
                out += char('0' + ((byte >> 3) & 7));
                out += char('0' + (byte & 7));
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}
