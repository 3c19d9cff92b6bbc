#pragma once

#include "versioning/ProjectHistory.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

class TVersionCollection;

// Finds check-ins by a text in their description, owner or version name,
// without regard to case, and by the day they were made: in one
// project's history (the window's filter) or in the whole workspace.
class CheckInSearch {
public:
    using Row = ProjectHistory::Row;

    // An empty text matches every row; with since, only rows of that day
    // or later match (a row whose date cannot be read never does).
    explicit CheckInSearch(QString text, std::optional<QDate> since = std::nullopt);

    // Needs the row's date read (ProjectHistory does) when since is given.
    bool Matches(const Row& row) const;
    // The rows that match, in their order.
    std::vector<Row> Filter(const std::vector<Row>& rows) const;

    // Every version of the workspace that matches, with its client and
    // project, newest first: each project's rows keep the order of its
    // history, and a row whose date cannot be read takes its place in time
    // from the row before it there (or after it, at the top). Reports and
    // unreadable data files as ProjectHistory::ReadEveryProject; false
    // when progress stopped it, and Results() is then empty.
    bool Search(const TVersionCollection* clients, const QLocale& locale = QLocale::system(),
                const ProjectHistory::Progress& progress = ProjectHistory::Progress(),
                const ProjectHistory::Unreadable& onUnreadable = {});

    const std::vector<Row>& Results() const { return results_; }

private:
    bool MatchesText(const Row& row) const;

    QString text_;
    std::optional<QDate> since_;
    std::vector<Row> results_;
};
