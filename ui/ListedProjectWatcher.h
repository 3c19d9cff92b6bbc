#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class TProject;

// Makes the version list follow version folders that appear, go or are
// renamed outside the program. Only what is on screen is watched: the
// workspace folder, the listed project's client folder and the project's
// folder, so a big workspace costs three watches. Changes are gathered
// for a moment and then taken up at once by the version manager.
class ListedProjectWatcher : public QObject {
    Q_OBJECT

public:
    using BusyTest = std::function<bool()>;

    // busy tells when the catalogue must be left alone (a load, a rebuild
    // or a command running); the follow-up then waits.
    ListedProjectWatcher(BusyTest busy, QObject* parent);

    // The folders watched now.
    QStringList Watched() const { return watcher_.directories(); }
    // How long changes are gathered before they are taken up.
    static constexpr int GatherMs = 250;

    // Watches the folders of what is listed, when that changed; runs
    // whenever the program is about to wait for input.
    void UpdateWatched();
    // Follows the listed project's folder, then watches what is listed
    // now; run by the timer once changes were gathered.
    void FollowNow();

signals:
    // The listed project's versions were brought in line with its folder.
    void followed();

private:
    void FolderChanged();
    // again: set every watch anew, also when what is listed is the same.
    void Watch(bool again);

    QFileSystemWatcher watcher_;
    QTimer gather_;
    BusyTest busy_;
    const TProject* listed_ = nullptr;
    QStringList wanted_;
    bool following_ = false;
};
