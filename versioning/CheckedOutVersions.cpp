#include "versioning/CheckedOutVersions.h"

#include "catalogue/CatalogueOwner.h"
#include "catalogue/DataFilesAhead.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/CheckInTimeParser.h"
#include "storage/DataFileReader.h"

#include <algorithm>

bool CheckedOutVersions::Gather(const TVersionCollection* clients, const Progress& progress,
                                const UnreadableData& onUnreadable) {
    entries_.clear();
    int total = 0;
    for (int c = 0; c < clients->Count(); ++c)
        total += clients->GetItems(c)->VersionCollection()->Count();
    int done = 0;
    // Every project's data files, read ahead; see DataFilesAhead.
    const CatalogueOwner* owner = clients->RootOwner();
    DataFileReader ahead(DataFilesAhead(clients, owner ? owner->WorkSpace() : QString(), true, 1),
                         &TVersionItem::ReadDataFile);
    // By index, never by a held item: a report may let the catalogue change.
    for (int c = 0; c < clients->Count(); ++c) {
        for (int p = 0;
             c < clients->Count() && p < clients->GetItems(c)->VersionCollection()->Count(); ++p) {
            TVersionItem* client = clients->GetItems(c);
            TVersionItem* project = client->VersionCollection()->GetItems(p);
            project->LoadDataIn(client->Path(), client->HasSafeFolderNames(), onUnreadable, &ahead);
            const TVersionCollection* versions = project->VersionCollection();
            for (int v = 0; v < versions->Count(); ++v) {
                const TVersionItem* version = versions->GetItems(v);
                if (!version->IsCheckedOut())
                    continue;
                const TCheckInProperties& record = version->CheckInProperties();
                entries_.push_back({client->Name(), project->Name(), version->Name(),
                                    version->ParentVersion(), record.sOwner, record.sDatetime});
            }
            ++done;
            if (progress && !progress(done, total))
                return false;
        }
    }
    return true;
}

std::vector<CheckedOutVersions::Entry>
CheckedOutVersions::OldestFirst(const QLocale& locale) const {
    std::vector<std::pair<std::optional<QDateTime>, const Entry*>> keyed;
    keyed.reserve(entries_.size());
    for (const Entry& entry : entries_)
        keyed.emplace_back(ParseTime(entry.checkedOut, locale), &entry);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first && b.first)
            return *a.first < *b.first;
        return a.first.has_value() && !b.first.has_value();
    });
    std::vector<Entry> sorted;
    sorted.reserve(keyed.size());
    for (const auto& [when, entry] : keyed)
        sorted.push_back(*entry);
    return sorted;
}

std::optional<QDateTime> CheckedOutVersions::ParseTime(const QString& text, const QLocale& locale) {
    return CheckInTimeParser(locale).Parse(text);
}

qint64 CheckedOutVersions::DaysAgo(const QDateTime& when, const QDateTime& now) {
    return when.date().daysTo(now.date());
}
