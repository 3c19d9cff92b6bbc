#pragma once

#include <QtGlobal>

// Which of a file's blocks the file system shares with other files: the
// copies that XFS and Btrfs make by reference (copy_file_range, cp
// --reflink) and Btrfs snapshots hold the same blocks until one of them
// is written to.
namespace ExtentSharing {

// The bytes of the open regular file fd that lie in blocks the file system
// marks as shared (FIEMAP_EXTENT_SHARED). 0 where the file system shares
// no blocks or cannot tell (ext4, tmpfs, network file systems); -1 with
// errno set when the file could not be asked.
qint64 SharedBytes(int fd);

} // namespace ExtentSharing
