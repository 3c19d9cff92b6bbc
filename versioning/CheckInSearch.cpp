#include "versioning/CheckInSearch.h"

#include <algorithm>

CheckInSearch::CheckInSearch(QString text, std::optional<QDate> since)
    : text_(std::move(text)), since_(since) {}

bool CheckInSearch::MatchesText(const Row& row) const {
    return row.description.contains(text_, Qt::CaseInsensitive) ||
           row.owner.contains(text_, Qt::CaseInsensitive) ||
           row.version.contains(text_, Qt::CaseInsensitive);
}

bool CheckInSearch::Matches(const Row& row) const {
    if (since_ && !(row.when && row.when->date() >= *since_))
        return false;
    return MatchesText(row);
}

std::vector<CheckInSearch::Row> CheckInSearch::Filter(const std::vector<Row>& rows) const {
    std::vector<Row> matching;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(matching),
                 [this](const Row& row) { return Matches(row); });
    return matching;
}

bool CheckInSearch::Search(const TVersionCollection* clients, const QLocale& locale,
                           const ProjectHistory::Progress& progress,
                           const ProjectHistory::Unreadable& onUnreadable) {
    results_.clear();
    struct Found {
        // The row's time, or for a row without one, its neighbour's.
        std::optional<QDateTime> place;
        Row row;
    };
    std::vector<Found> found;
    const bool complete = ProjectHistory::ReadEveryProject(
        clients,
        [&](std::vector<Row>& rows) {
            // Dates are read and ordered only where the text is found.
            if (std::none_of(rows.begin(), rows.end(),
                             [this](const Row& row) { return MatchesText(row); }))
                return;
            ProjectHistory::NewestFirst(rows, locale);
            std::optional<QDateTime> place;
            for (const Row& row : rows) {
                if (row.when) {
                    place = row.when;
                    break;
                }
            }
            for (Row& row : rows) {
                if (row.when)
                    place = row.when;
                if (Matches(row))
                    found.push_back({place, std::move(row)});
            }
        },
        progress, onUnreadable);
    if (!complete)
        return false;
    // Stable: a project's rows keep their order, since their places never
    // rise from one to the next.
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.place && b.place)
            return *a.place > *b.place;
        return a.place.has_value() && !b.place.has_value();
    });
    results_.reserve(found.size());
    for (Found& entry : found)
        results_.push_back(std::move(entry.row));
    return true;
}
