#pragma once

#include "catalogue/VersionDefine.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class TVersionCollection;
class TVersionItem;

// The history of a project: one row per version, newest first, as the
// versions' data files record them. The window's history panel and
// quorvel-cli log read it here; CheckInSearch searches it.
class ProjectHistory {
public:
    // What a version's folder holds of its record.
    enum class Record {
        Read,
        // No data file (or one without a version record): the version
        // counts as checked in, with no owner, date or description.
        None,
        // The data file is there but could not be read.
        Unreadable,
    };

    struct Row {
        QString client;
        QString project;
        // The version's folder name.
        QString version;
        int number = 0;
        QString parent;
        TVersionState state = vsCheckedIn;
        QString owner;
        // The check-out or check-in time as it was written.
        QString dateTime;
        // That time; nothing when it cannot be read.
        std::optional<QDateTime> when;
        // The whole text, line breaks as written.
        QString description;
        Record record = Record::Read;

        // The description up to its first line break.
        QString FirstLine() const;
    };

    // Told after each data file was read: files done and in all. False
    // stops the reading.
    using Progress = std::function<bool(int done, int total)>;
    // Told of a version whose data file could not be read, and why.
    using Unreadable = std::function<void(const Row& row, const QString& reason)>;

    // Reads the data file of every version of project, as the catalogue
    // lists them, and orders the rows newest first (see NewestFirst).
    // Names are taken before the first file is read and no item is held
    // after that, so a report may let the catalogue change; the rows are of
    // the catalogue as it was. False when progress stopped it; Rows() is
    // then empty. A data file that cannot be read raises QuorvelError;
    // with onUnreadable, it is told there, its row kept as Unreadable, and
    // the others are read. Dates are read as locale writes them.
    bool Read(const TVersionItem* project, const QLocale& locale = QLocale::system(),
              const Progress& progress = Progress(), const Unreadable& onUnreadable = {});

    const std::vector<Row>& Rows() const { return rows_; }

    // The rows of every project of clients, in catalogue order, one
    // project at a time to eachProject, which may take them away; projects
    // without versions are left out. The rows are in the catalogue's order
    // and their dates not yet read: NewestFirst does both, so that a search
    // pays for it only where something matched. As Read for the rest.
    static bool ReadEveryProject(const TVersionCollection* clients,
                                 const std::function<void(std::vector<Row>& rows)>& eachProject,
                                 const Progress& progress = Progress(),
                                 const Unreadable& onUnreadable = {});

    // Reads the dates of one project's rows as locale writes them and
    // orders the rows newest first: by date, the same time by the higher
    // version number. A row whose date cannot be read goes right before the
    // first dated row of a lower version number, so that it stands among
    // the others by its number.
    static void NewestFirst(std::vector<Row>& rows, const QLocale& locale = QLocale::system());

private:
    // The versions to read, project by project, as names only.
    struct Sources {
        struct Project {
            QString client;
            QString project;
            // Ending with "/"; empty when a damaged name would make it
            // another folder (its versions are then not read).
            QString folder;
            // Its versions' indexes in versions: first up to end.
            int first = 0;
            int end = 0;
        };
        std::vector<Project> projects;
        QStringList versions;
    };
    static void AddProject(const TVersionItem* project, Sources& sources);
    // The one place that reads many data files: the file of each version
    // of sources, in order, into a row handed to take with the version's
    // index, and a report after each.
    static bool ReadRecords(const Sources& sources, const Progress& progress,
                            const Unreadable& onUnreadable,
                            const std::function<void(int index, Row& row)>& take);

    std::vector<Row> rows_;
};
