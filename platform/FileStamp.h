#pragma once

#include <QString>
#include <optional>

#include <sys/types.h>

// Which file stands at a path, and as it was then: another program that
// replaces the file (written whole and renamed into place) gives it a new
// stamp. A cheap look, without reading the file.
class FileStamp {
public:
    // Nothing when there is no file there.
    static std::optional<FileStamp> Of(const QString& path);

    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }

private:
    dev_t device_ = 0;
    ino_t inode_ = 0;
    off_t size_ = 0;
    long long modifiedSeconds_ = 0;
    long modifiedNanoseconds_ = 0;
};
