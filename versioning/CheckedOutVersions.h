#pragma once

#include "catalogue/TVersionItem.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class TVersionCollection;

// Every checked-out version of a workspace, as its data files record them.
// The command-line status and the window's overview both read them here.
class CheckedOutVersions {
public:
    struct Entry {
        QString client;
        QString project;
        QString version;
        QString parentVersion;
        QString owner;
        // The check-out time as it was written.
        QString checkedOut;
    };
    // Told after each project's versions were read: projects done and in
    // all. False stops the gathering.
    using Progress = std::function<bool(int done, int total)>;

    // Reads the data files of every project of clients (each project once
    // per catalogue) and collects its checked-out versions in catalogue
    // order. Items are looked up again after each report, so that clients
    // and projects added or removed meanwhile leave no stale item here;
    // a report that let the whole catalogue be replaced must return false.
    // False when progress stopped it; Entries() then holds what was
    // collected so far. A data file that cannot be read raises QuorvelError;
    // with onUnreadable, it is told there and the others are read.
    bool Gather(const TVersionCollection* clients, const Progress& progress = Progress(),
                const UnreadableData& onUnreadable = {});

    const std::vector<Entry>& Entries() const { return entries_; }

    // The entries, oldest check-out first; those whose time cannot be read
    // follow in catalogue order.
    std::vector<Entry> OldestFirst(const QLocale& locale) const;

    // The time of a check-out or check-in text as CheckInDateTime writes
    // it in locale; nothing when it cannot be read.
    static std::optional<QDateTime> ParseTime(const QString& text, const QLocale& locale);
    // Whole days from when to now, by calendar date.
    static qint64 DaysAgo(const QDateTime& when, const QDateTime& now);

private:
    std::vector<Entry> entries_;
};
