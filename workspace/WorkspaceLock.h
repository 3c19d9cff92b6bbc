#pragma once

#include "platform/FileHandle.h"

#include <QString>
#include <QtGlobal>

// The one lock that every change of a workspace is made under, shared by
// the window, quorvel-cli and other users of the same folder. It is the
// kernel's advisory lock on the file ".quorvel-lock" in the workspace, so
// it ends with its process, even after a kill; the file's existence means
// nothing. The file also holds who has the lock (for those who wait) and a
// count of the changes made under it, which a window watches to follow
// the work of others.
class WorkspaceLock {
public:
    // Folder ends with "/".
    explicit WorkspaceLock(const QString& folder);
    ~WorkspaceLock();
    WorkspaceLock(const WorkspaceLock&) = delete;
    WorkspaceLock& operator=(const WorkspaceLock&) = delete;

    static QString FileName();

    // Takes the lock, waiting while another program holds it (the user is
    // told who, see UserInterface::WaitForWorkspace). Raises QuorvelError
    // when the lock file cannot be made, or when the wait was given up.
    // Where the file system has no locks the workspace is taken as ours.
    void Acquire();
    // Lets go; with changed, the change count goes up first.
    void Release(bool changed);
    bool Held() const { return held_; }

    // The change count the workspace's lock file holds now; 0 without one.
    static quint64 Generation(const QString& folder);

private:
    // Who takes the lock: user, machine, process, since when.
    static QString HolderText();
    QString HolderWritten() const;
    bool TryAcquire();

    QString path_;
    FileHandle file_;
    bool held_ = false;
};
