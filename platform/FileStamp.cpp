#include "platform/FileStamp.h"

#include <QFile>

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::Of(const QString& path) {
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    FileStamp stamp;
    stamp.device_ = info.st_dev;
    stamp.inode_ = info.st_ino;
    stamp.size_ = info.st_size;
    stamp.modifiedSeconds_ = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds_ = info.st_mtim.tv_nsec;
    return stamp;
}

bool FileStamp::operator==(const FileStamp& other) const {
    return device_ == other.device_ && inode_ == other.inode_ && size_ == other.size_ &&
           modifiedSeconds_ == other.modifiedSeconds_ &&
           modifiedNanoseconds_ == other.modifiedNanoseconds_;
}
