#include "ui/ListedProjectWatcher.h"

#include "catalogue/TProject.h"
#include "platform/FileSystem.h"
#include "ui/TQuorvelApplication.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QAbstractEventDispatcher>

ListedProjectWatcher::ListedProjectWatcher(BusyTest busy, QObject* parent)
    : QObject(parent), busy_(std::move(busy)) {
    gather_.setSingleShot(true);
    gather_.setInterval(GatherMs);
    connect(&gather_, &QTimer::timeout, this, &ListedProjectWatcher::FollowNow);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            &ListedProjectWatcher::FolderChanged);
    // The listed project changes with the selection; a look whenever the
    // program waits for input costs a pointer compare and a path.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &ListedProjectWatcher::UpdateWatched);
    }
}

void ListedProjectWatcher::FolderChanged() {
    // Not restarted by every further change: a folder that keeps changing
    // is still followed within the moment.
    if (!gather_.isActive())
        gather_.start();
}

void ListedProjectWatcher::UpdateWatched() {
    Watch(false);
}

void ListedProjectWatcher::Watch(bool again) {
    if (following_ || !ProjectMngr || busy_())
        return;
    QStringList wanted;
    const TProject* project = VersionMngr ? VersionMngr->InstalledProject() : nullptr;
    if (!ProjectMngr->WorkSpace().isEmpty())
        wanted << ProjectMngr->WorkSpace();
    if (project && project->HasSafeFolderNames()) {
        if (const TVersionItem* client = project->ParentItem())
            wanted << client->Path();
        wanted << project->Path();
    }
    for (QString& folder : wanted)
        folder = FileSystem::WithoutTrailingSeparator(folder);
    if (!again && wanted == wanted_ && project == listed_)
        return;
    listed_ = project;
    wanted_ = wanted;
    // A watch follows its folder when it is renamed, so each is set again
    // on the path, the folder there now, or none when it went.
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    for (const QString& folder : wanted) {
        if (FileSystem::FolderExists(folder))
            watcher_.addPath(folder);
    }
}

void ListedProjectWatcher::FollowNow() {
    if (following_ || !VersionMngr || busy_()) {
        // Taken up once the catalogue is free again.
        gather_.start();
        return;
    }
    // Set again first: a change made while the versions are followed is
    // seen by the new watches and followed next time.
    Watch(true);
    following_ = true;
    bool done = true;
    TQuorvelApplication::Guarded([&done] { done = VersionMngr->FollowProjectFolder(); });
    following_ = false;
    // Not done: a nameless version, which in the window only a damaged
    // catalogue holds (commands never overlap this); the next change of
    // the folders tries again, not a timer for ever.
    if (done)
        emit followed();
}
