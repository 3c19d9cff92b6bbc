#pragma once

class TProjectManager;

// One change of the workspace, made under its lock (see WorkspaceLock):
// the lock is taken when it starts, with the catalogue brought in line
// with what other programs saved, and let go when it ends. Commit saves the
// catalogue meanwhile. Changes nest: an inner one only counts.
class WorkspaceChange {
public:
    enum class Follow { Yes, No };

    // Raises QuorvelError when the workspace cannot be locked.
    explicit WorkspaceChange(TProjectManager& manager, Follow follow = Follow::Yes);
    ~WorkspaceChange();
    WorkspaceChange(const WorkspaceChange&) = delete;
    WorkspaceChange& operator=(const WorkspaceChange&) = delete;

    // Saves the catalogue (see TProjectManager::SaveProject) and tells
    // other programs to look again. Raises CatalogueNotSaved when the file
    // could not be written.
    void Commit();
    // Files changed that the catalogue does not hold (a data file): other
    // programs must look again.
    void Changed() { changed_ = true; }

private:
    TProjectManager& manager_;
    bool changed_ = false;
};
