#pragma once

#include "platform/FileHandle.h"

#include <QByteArray>
#include <QString>

// Opens files through a descriptor of the folder two levels above them,
// kept from one file to the next: a listing reads thousands of data files
// ("<project>/<version>/<file>") in a few hundred project folders, and
// walking each whole path from the root again costs more than the read.
// While one lives, TextFile::ReadIfInMemory on its thread opens through
// it. Meant for one pass, on the stack: a folder renamed meanwhile is still
// read through the descriptor it was opened by, as a pass that listed it a
// moment before would.
class FolderHandleCache {
public:
    FolderHandleCache();
    ~FolderHandleCache();
    FolderHandleCache(const FolderHandleCache&) = delete;
    FolderHandleCache& operator=(const FolderHandleCache&) = delete;

    // The innermost cache alive on this thread, or null.
    static FolderHandleCache* Current();

    // The descriptor to open path from, and in *name what to open there:
    // AT_FDCWD and the whole path when its folder is not in memory or
    // cannot be opened. Never waits for a disk.
    int Resolve(const QString& path, QByteArray* name);

private:
    FolderHandleCache* outer_;
    QString folder_;
    // Not open when folder_ could not be opened.
    FileHandle handle_;
};
