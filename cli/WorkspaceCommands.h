#pragma once

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
    static void LoadAllData();
    void PrintText();
    void PrintJson();

    CommandLineUser& user_;
    RebuildReporter& reporter_;
};
