#include "platform/FolderHandleCache.h"

#include <QFile>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>

namespace {

thread_local FolderHandleCache* current = nullptr;

} // namespace

FolderHandleCache::FolderHandleCache() : outer_(current) {
    current = this;
}

FolderHandleCache::~FolderHandleCache() {
    Q_ASSERT(current == this);
    current = outer_;
}

FolderHandleCache* FolderHandleCache::Current() {
    return current;
}

int FolderHandleCache::Resolve(const QString& path, QByteArray* name) {
    const qsizetype last = path.lastIndexOf(u'/');
    const qsizetype split = last > 0 ? path.lastIndexOf(u'/', last - 1) : -1;
    if (split <= 0) {
        *name = QFile::encodeName(path);
        return AT_FDCWD;
    }
    const QStringView folder = QStringView(path).first(split);
    if (folder != folder_) {
        folder_ = folder.toString();
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_CACHED;
        handle_.Reset(int(::syscall(SYS_openat2, AT_FDCWD, QFile::encodeName(folder_).constData(),
                                    &how, sizeof how)));
    }
    if (!handle_.IsOpen()) {
        *name = QFile::encodeName(path);
        return AT_FDCWD;
    }
    *name = QFile::encodeName(QStringView(path).sliced(split + 1).toString());
    return handle_.Get();
}
