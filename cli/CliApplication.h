#pragma once

#include "cli/CommandLine.h"
#include "cli/CommandLineUser.h"
#include "cli/RebuildReporter.h"

#include <QString>
#include <optional>

// One run of quorvel-cli: creates the program's objects in the program's
// order, opens the workspace, runs the command, and takes everything down
// as the program does at its end (which saves the catalogue).
class CliApplication {
public:
    explicit CliApplication(const CommandLine& commandLine);

    // The exit status.
    int Run();

private:
    int RunCommand();
    // The folder given with -w, absolute, or the one the program opens.
    QString WorkspaceFolder() const;
    // The check-in description from -m or -F, as typed in the dialog.
    std::optional<QString> Description();
    bool IsDiff() const;

    const CommandLine& commandLine;
    CommandLineUser user;
    RebuildReporter reporter;
    QString description;
};
