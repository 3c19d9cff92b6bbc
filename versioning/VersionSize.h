#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// What a version folder costs on disk: its files and their bytes, the
// blocks it takes, and how many of those it shares with files outside it
// (blocks a file system shares between copies, and files hard-linked from
// elsewhere), so what deleting it would free. Everything in the folder
// counts, its data file and what interrupted work left included. Touches
// no catalogue item and no user seam: it may run on a worker thread.
class VersionSize {
public:
    struct Totals {
        // Files and links.
        qint64 files = 0;
        // Their sizes.
        qint64 bytes = 0;
        // The blocks they and the folders take; a file with several names
        // counts once.
        qint64 allocated = 0;
        // Of those, blocks other files hold too.
        qint64 shared = 0;
        // What deleting the folder would free.
        qint64 Unshared() const { return allocated - shared; }
    };

    // Told after each file with the totals so far. False cancels.
    using Progress = std::function<bool(const Totals& sofar)>;
    void SetProgress(Progress progress) { progress_ = std::move(progress); }

    // Measures the folder; a link is never followed. False when something
    // in it could not be read (Error() says what) or the progress
    // cancelled (Cancelled()).
    bool Measure(const QString& folder);

    const Totals& Result() const { return totals_; }
    bool Cancelled() const { return cancelled_; }
    const QString& Error() const { return error_; }

private:
    struct Walk;
    bool Fail(const QByteArray& path, int code);

    Progress progress_;
    Totals totals_;
    bool cancelled_ = false;
    QString error_;
};
