#include "platform/FileRangeLock.h"

#include <cerrno>
#include <fcntl.h>

namespace FileRangeLock {

namespace {

struct flock Range(off_t start, off_t length, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = start;
    range.l_len = length;
    // Open-file-description locks want it zero.
    range.l_pid = 0;
    return range;
}

short TypeOf(Kind kind) {
    return kind == Kind::Exclusive ? F_WRLCK : F_RDLCK;
}

} // namespace

bool TryLock(int fd, off_t start, off_t length, Kind kind) {
    struct flock range = Range(start, length, TypeOf(kind));
    int result;
    do
        result = ::fcntl(fd, F_OFD_SETLK, &range);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

bool Lock(int fd, off_t start, off_t length, Kind kind) {
    struct flock range = Range(start, length, TypeOf(kind));
    int result;
    do
        result = ::fcntl(fd, F_OFD_SETLKW, &range);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

void Unlock(int fd, off_t start, off_t length) {
    struct flock range = Range(start, length, F_UNLCK);
    ::fcntl(fd, F_OFD_SETLK, &range);
}

bool HeldByOther(int fd, off_t start, off_t length, Kind kind) {
    struct flock range = Range(start, length, TypeOf(kind));
    if (::fcntl(fd, F_OFD_GETLK, &range) != 0)
        return false;
    return range.l_type != F_UNLCK;
}

} // namespace FileRangeLock
