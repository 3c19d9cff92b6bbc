#include "versioning/ProjectHistory.h"

#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/CheckInTimeParser.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "storage/DataFileReader.h"
#include "storage/TSimpleXmlParser.h"

#include <algorithm>

QString ProjectHistory::Row::FirstLine() const {
    const auto end = std::find_if(description.begin(), description.end(),
                                  [](QChar c) { return c == u'\r' || c == u'\n'; });
    return description.left(end - description.begin());
}

void ProjectHistory::AddProject(const TVersionItem* project, Sources& sources) {
    const TVersionItem* client = project->ParentItem();
    const TVersionCollection* versions = project->VersionCollection();
    Sources::Project entry;
    entry.client = client ? client->Name() : QString();
    entry.project = project->Name();
    // A damaged name would read another folder's data file.
    if (project->HasSafeFolderNames())
        entry.folder = project->Path();
    entry.first = int(sources.versions.size());
    for (int v = 0; v < versions->Count(); ++v)
        sources.versions << versions->GetItems(v)->Name();
    entry.end = int(sources.versions.size());
    if (entry.end > entry.first)
        sources.projects.push_back(std::move(entry));
}

bool ProjectHistory::ReadRecords(const Sources& sources, const Progress& progress,
                                 const Unreadable& onUnreadable,
                                 const std::function<void(int index, Row& row)>& take) {
    const int total = int(sources.versions.size());
    // Takes the records on an item of no catalogue.
    TVersion scratch(nullptr);
    auto reads = [&sources](const Sources::Project& project, int index) {
        return !project.folder.isEmpty() && FileSystem::IsSingleFolderName(sources.versions[index]);
    };
    // The same folders in the same order, read ahead.
    size_t aheadProject = 0;
    int aheadIndex = sources.projects.empty() ? 0 : sources.projects.front().first;
    DataFileReader ahead(
        [&]() -> std::optional<QString> {
            for (; aheadProject < sources.projects.size(); ++aheadProject) {
                const Sources::Project& project = sources.projects[aheadProject];
                aheadIndex = std::max(aheadIndex, project.first);
                while (aheadIndex < project.end) {
                    const int index = aheadIndex++;
                    if (reads(project, index))
                        return project.folder + sources.versions[index] + u'/';
                }
            }
            return std::nullopt;
        },
        &TVersionItem::ReadDataFile);
    int done = 0;
    for (const Sources::Project& project : sources.projects) {
        for (int index = project.first; index < project.end; ++index) {
            Row row;
            row.client = project.client;
            row.project = project.project;
            row.version = sources.versions[index];
            row.number = TVersion::VersionNrOf(row.version);
            row.record = Record::None;
            if (reads(project, index)) {
                try {
                    const DataFileRecord read = ahead.Take(project.folder + row.version + u'/');
                    read.Parser();
                    // The catalogue's own reading of a data file, so that a
                    // row says what the version list shows.
                    const auto* text = std::any_cast<TVersionItem::DataText>(&read.prepared);
                    if (text && text->hasVersion) {
                        scratch.SetState(vsCheckedIn);
                        scratch.SetParentVersion(QString());
                        scratch.SetCheckInProperties(TCheckInProperties());
                        scratch.TakeDataText(*text);
                        const TCheckInProperties& record = scratch.CheckInProperties();
                        row.record = Record::Read;
                        row.state = scratch.State();
                        row.parent = scratch.ParentVersion();
                        row.owner = record.sOwner;
                        row.dateTime = record.sDatetime;
                        row.description = record.sDescription;
                    }
                } catch (const QuorvelError& error) {
                    if (!onUnreadable)
                        throw;
                    row.record = Record::Unreadable;
                    onUnreadable(row, error.Message());
                }
            }
            take(index, row);
            ++done;
            if (progress && !progress(done, total))
                return false;
        }
    }
    return true;
}

bool ProjectHistory::Read(const TVersionItem* project, const QLocale& locale,
                          const Progress& progress, const Unreadable& onUnreadable) {
    rows_.clear();
    Sources sources;
    AddProject(project, sources);
    std::vector<Row> rows;
    rows.reserve(sources.versions.size());
    if (!ReadRecords(sources, progress, onUnreadable,
                     [&rows](int, Row& row) { rows.push_back(std::move(row)); }))
        return false;
    NewestFirst(rows, locale);
    rows_ = std::move(rows);
    return true;
}

bool ProjectHistory::ReadEveryProject(
    const TVersionCollection* clients,
    const std::function<void(std::vector<Row>& rows)>& eachProject, const Progress& progress,
    const Unreadable& onUnreadable) {
    Sources sources;
    for (int c = 0; c < clients->Count(); ++c) {
        const TVersionCollection* projects = clients->GetItems(c)->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p)
            AddProject(projects->GetItems(p), sources);
    }
    size_t project = 0;
    std::vector<Row> rows;
    return ReadRecords(sources, progress, onUnreadable, [&](int index, Row& row) {
        rows.push_back(std::move(row));
        if (index + 1 == sources.projects[project].end) {
            eachProject(rows);
            rows.clear();
            ++project;
        }
    });
}

void ProjectHistory::NewestFirst(std::vector<Row>& rows, const QLocale& locale) {
    const CheckInTimeParser parser(locale);
    std::vector<Row> dated;
    std::vector<Row> undated;
    dated.reserve(rows.size());
    for (Row& row : rows) {
        row.when = row.dateTime.isEmpty() ? std::nullopt : parser.Parse(row.dateTime);
        (row.when ? dated : undated).push_back(std::move(row));
    }
    std::stable_sort(dated.begin(), dated.end(), [](const Row& a, const Row& b) {
        if (*a.when != *b.when)
            return *a.when > *b.when;
        return a.number > b.number;
    });
    std::stable_sort(undated.begin(), undated.end(),
                     [](const Row& a, const Row& b) { return a.number > b.number; });
    rows.clear();
    auto d = dated.begin();
    auto u = undated.begin();
    while (d != dated.end() || u != undated.end()) {
        if (u != undated.end() && (d == dated.end() || u->number > d->number))
            rows.push_back(std::move(*u++));
        else
            rows.push_back(std::move(*d++));
    }
}
