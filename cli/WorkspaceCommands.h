#pragma once

#include "catalogue/TVersionItem.h"

#include <QSet>
#include <QStringList>

class CommandLineUser;
class RebuildReporter;

// The catalogue as a whole, clients and projects: list, show, status,
// rebuild, and the client and project commands of the window.
class WorkspaceCommands {
public:
    WorkspaceCommands(CommandLineUser& user, RebuildReporter& reporter);

    int List(bool json);
    int Show(const QStringList& arguments);
    int Status(bool mineOnly);
    int Rebuild();

    int NewClient(const QStringList& arguments);
    int NewProject(const QStringList& arguments);
    int RenameClient(const QStringList& arguments);
    int RenameProject(const QStringList& arguments);
    int DeleteClient(const QStringList& arguments);
    int DeleteProject(const QStringList& arguments);

private:
    // Reads the data file of every project's versions.
    void LoadAllData();
    // Says on stderr which item's data file could not be read, and
    // remembers it; the command goes on with the others.
    UnreadableData NoteUnreadable();
    // What a reading command ends with: done, unless some data could not
    // be read.
    int ReadingResult() const;
    void PrintText();
    void PrintJson();

    CommandLineUser& user_;
    RebuildReporter& reporter_;
    QSet<const TVersionItem*> unreadable_;
};
