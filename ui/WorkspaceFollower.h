#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Makes the window follow what other programs (quorvel-cli, a second
// window, another user of a shared folder) did to the workspace: every
// moment it looks at the workspace's lock file and catalogue file, two
// small reads, and when they changed the version manager follows them.
// A look rather than a file watch, since a network share tells nobody of
// another machine's changes.
class WorkspaceFollower : public QObject {
    Q_OBJECT

public:
    using BusyTest = std::function<bool()>;

    // busy tells when the window must be left alone (a load, a rebuild, a
    // command, an open dialog); the look then waits.
    WorkspaceFollower(BusyTest busy, QObject* parent);

    static constexpr int LookMs = 1000;

    // One look now.
    void FollowNow();

signals:
    // The catalogue, the list or the details may show something new.
    void followed();

private:
    QTimer look_;
    BusyTest busy_;
    bool following_ = false;
};
