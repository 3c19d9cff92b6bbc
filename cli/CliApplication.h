#pragma once

#include "cli/CommandLine.h"
#include "cli/CommandLineUser.h"
#include "cli/RebuildReporter.h"
#include "platform/QuorvelError.h"

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
    // Opens the workspace as the window does; for a rebuild, a catalogue
    // file that cannot be read is only reported.
    void OpenWorkspace();
    int RunCommand();
    // Writes the catalogue after a command that did its work, when it
    // changed; a failure says what was done all the same.
    void SaveCatalogue();
    // What the user is told when the command's work is done but the
    // catalogue could not be saved for reason; doneHere, when given, says
    // what was done instead of the command's own text.
    QuorvelError NotSavedError(const QString& reason, const QString& doneHere = QString());
    // The folder given with -w, absolute, or the one the program opens.
    QString WorkspaceFolder() const;
    // The check-in description from -m or -F, as typed in the dialog.
    std::optional<QString> Description();
    // The exit status of a run that went wrong.
    int FailureCode() const;

    const CommandLine& commandLine_;
    CommandLineUser user_;
    RebuildReporter reporter_;
    QString description_;
};
