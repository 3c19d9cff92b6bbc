#include "platform/FolderListing.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FolderListing::FolderListing(int parent, const char* name, AtLink atLink) {
    const int fd =
        ::openat(parent, name,
                 O_RDONLY | O_DIRECTORY | O_CLOEXEC | (atLink == AtLink::Follow ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        error_ = errno;
        return;
    }
    dir_ = ::fdopendir(fd);
    if (!dir_) {
        error_ = errno;
        ::close(fd);
    }
}

FolderListing FolderListing::Of(int fd) {
    FolderListing listing;
    const int own = ::dup(fd);
    if (own < 0) {
        listing.error_ = errno;
        return listing;
    }
    listing.dir_ = ::fdopendir(own);
    if (!listing.dir_) {
        listing.error_ = errno;
        ::close(own);
        return listing;
    }
    // A duplicate shares the position of the original.
    ::rewinddir(listing.dir_);
    return listing;
}

FolderListing::~FolderListing() {
    if (dir_)
        ::closedir(dir_);
}

FolderListing::FolderListing(FolderListing&& other) noexcept
    : dir_(other.dir_), entry_(other.entry_), error_(other.error_) {
    other.dir_ = nullptr;
    other.entry_ = nullptr;
}

int FolderListing::Fd() const {
    return dir_ ? ::dirfd(dir_) : -1;
}

const char* FolderListing::Next() {
    if (!dir_)
        return nullptr;
    for (;;) {
        errno = 0;
        entry_ = ::readdir(dir_);
        if (!entry_) {
            error_ = errno;
            return nullptr;
        }
        const char* name = entry_->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            return name;
    }
}

bool FolderListing::IsFolder() const {
    if (!entry_)
        return false;
    if (entry_->d_type != DT_UNKNOWN)
        return entry_->d_type == DT_DIR;
    // Some file systems do not fill in the type; ask without following links.
    struct stat info;
    return ::fstatat(::dirfd(dir_), entry_->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(info.st_mode);
}

bool FolderListing::IsLinkToFolder() const {
    if (!entry_ || (entry_->d_type != DT_LNK && entry_->d_type != DT_UNKNOWN))
        return false;
    struct stat info;
    if (entry_->d_type == DT_UNKNOWN &&
        (::fstatat(::dirfd(dir_), entry_->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
         !S_ISLNK(info.st_mode)))
        return false;
    return ::fstatat(::dirfd(dir_), entry_->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}
