#include "ui/WorkspaceFollower.h"

#include "ui/TQuorvelApplication.h"
#include "versioning/TVersionManager.h"

WorkspaceFollower::WorkspaceFollower(BusyTest busy, QObject* parent)
    : QObject(parent), busy_(std::move(busy)) {
    look_.setInterval(LookMs);
    connect(&look_, &QTimer::timeout, this, &WorkspaceFollower::FollowNow);
    look_.start();
}

void WorkspaceFollower::FollowNow() {
    if (following_ || !VersionMngr || busy_())
        return;
    following_ = true;
    bool changed = false;
    TQuorvelApplication::Guarded([&changed] { changed = VersionMngr->FollowWorkspace(); });
    following_ = false;
    if (changed)
        emit followed();
}
