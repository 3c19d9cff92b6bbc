#include "platform/ExtentSharing.h"

#include <cerrno>
#include <cstdint>
#include <vector>

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

namespace ExtentSharing {

namespace {

// Extents asked for at once; a file of many fragments takes a few calls.
constexpr quint32 ExtentsPerCall = 128;

} // namespace

qint64 SharedBytes(int fd) {
    std::vector<std::uint64_t> buffer(
        (sizeof(fiemap) + ExtentsPerCall * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    qint64 shared = 0;
    std::uint64_t start = 0;
    for (;;) {
        *map = fiemap{};
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = ExtentsPerCall;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0) {
            // Nothing to tell where the file system keeps no extent map.
            if (errno == EOPNOTSUPP || errno == ENOTTY || errno == ENOSYS)
                return shared;
            return -1;
        }
        if (map->fm_mapped_extents == 0)
            return shared;
        const fiemap_extent* extents = map->fm_extents;
        for (quint32 i = 0; i < map->fm_mapped_extents; ++i) {
            if (extents[i].fe_flags & FIEMAP_EXTENT_SHARED)
                shared += qint64(extents[i].fe_length);
        }
        const fiemap_extent& last = extents[map->fm_mapped_extents - 1];
        if (last.fe_flags & FIEMAP_EXTENT_LAST)
            return shared;
        start = last.fe_logical + last.fe_length;
    }
}

} // namespace ExtentSharing
