#pragma once

#include "platform/FileHandle.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Who else has a workspace open. Each run that opens the workspace takes a
// fixed-size slot of the file ".quorvel-presence" in the workspace folder
// by locking the slot's bytes, writes one line about itself there and
// keeps the lock while it stays. Only a locked slot counts: a run that is
// killed, or a machine that loses its connection, loses its lock and so
// drops out by itself, whatever text it left. Failing to open or lock the
// file only means that nobody is seen and nobody sees this run.
class WorkspacePresence {
public:
    struct Other {
        QString user;
        QString machine;
        QDateTime since;
        qint64 pid = 0;
    };

    WorkspacePresence() = default;
    // Leaves the workspace.
    ~WorkspacePresence();
    WorkspacePresence(const WorkspacePresence&) = delete;
    WorkspacePresence& operator=(const WorkspacePresence&) = delete;

    // Leaves the workspace announced before and announces this run in
    // folder; an empty folder only leaves. True when this run is announced.
    bool SetWorkspace(const QString& folder);
    const QString& Workspace() const { return workspace_; }

    // The other runs that have the workspace open now, in slot order.
    QList<Other> Others() const;

    static QString FileName();
    // The bytes of one slot: the line, blanks, a line break.
    static constexpr int SlotSize = 256;

private:
    void Leave();
    bool Announce();

    QString workspace_;
    FileHandle file_;
    int slot_ = -1;
};
