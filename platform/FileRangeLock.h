#pragma once

#include <sys/types.h>

// Locks on a byte range of an open file, through the kernel's
// open-file-description locks: they belong to the open file, not to the
// process, so closing another descriptor of the same file never drops
// them; they end when the file is closed or its process dies (also by a
// kill), and NFSv4 and SMB mounts pass them on to the other machines.
// Nothing is written: the file's existence means nothing.
namespace FileRangeLock {

enum class Kind { Shared, Exclusive };

// Takes the lock without waiting; false when another open file holds a
// conflicting one (or the file system refuses locks).
bool TryLock(int fd, off_t start, off_t length, Kind kind);
// Takes the lock, waiting while another open file holds a conflicting one;
// false when the file system refuses locks.
bool Lock(int fd, off_t start, off_t length, Kind kind);
void Unlock(int fd, off_t start, off_t length);
// True when another open file holds a lock in the range that would keep
// out a lock of this kind.
bool HeldByOther(int fd, off_t start, off_t length, Kind kind);

} // namespace FileRangeLock
