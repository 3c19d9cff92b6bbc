#include "cli/CommandDefinition.h"

#include "cli/ArchiveCommand.h"
#include "cli/CommandLine.h"
#include "cli/CommandRun.h"
#include "cli/DiskUsageCommand.h"
#include "cli/EditorCommands.h"
#include "cli/HistoryCommands.h"
#include "cli/VersionCommands.h"
#include "cli/WorkspaceCommands.h"

namespace {

std::vector<CommandDefinition> MakeCommands() {
    std::vector<CommandDefinition> commands;
    auto add = [&commands](QString name, QString synopsis, QString summary, QString description,
                           int minArguments, int maxArguments, QStringList switches = {},
                           bool takesDescription = false) -> CommandDefinition& {
        CommandDefinition command;
        command.name = std::move(name);
        command.synopsis = std::move(synopsis);
        command.summary = std::move(summary);
        command.description = std::move(description);
        command.minArguments = minArguments;
        command.maxArguments = maxArguments;
        command.switches = std::move(switches);
        command.takesDescription = takesDescription;
        commands.push_back(std::move(command));
        return commands.back();
    };

    add("list", "[--json]", "Show clients, projects and versions",
        "Reads the data of every project and prints the catalogue, one line per item,\n"
        "indented two blanks per level. A version line holds its display name, a tab\n"
        "and its state. With --json, prints one JSON document instead:\n"
        "  {\"workspace\", \"clients\": [{\"name\", \"projects\": [{\"name\", \"versions\":\n"
        "  [{\"name\", \"number\", \"state\", \"parent\", \"editor\", \"datetime\", \"owner\",\n"
        "  \"description\"}]}]}]}",
        0, 0, {"--json"})
        .Runs([](CommandRun& run) {
            return run.workspace.List(run.line.Has(QStringLiteral("--json")));
        })
        .ReadsOnly();
    add("show", "CLIENT PROJECT VERSION", "Show the details of a version",
        "Prints the details of the version as plain text, one line per line.", 3, 3)
        .Runs([](CommandRun& run) { return run.workspace.Show(run.line.Arguments()); })
        .ReadsOnly();
    add("status", "[--mine]", "List the checked-out versions",
        "Prints every checked-out version of the workspace, one per line: client,\n"
        "project, version, owner and date-time, separated by tabs, in catalogue\n"
        "order. With --mine, only the versions checked out by you. Changes nothing.",
        0, 0, {"--mine"})
        .Runs([](CommandRun& run) {
            return run.workspace.Status(run.line.Has(QStringLiteral("--mine")));
        })
        .ReadsOnly();
    add("log", "[--json] [--grep TEXT] [--since DATE] [CLIENT PROJECT]",
        "Show a project's history, or search the check-ins",
        "Prints one line per version of the project, newest first: version, parent,\n"
        "state, owner, date-time and the first line of the description, separated by\n"
        "tabs. A version whose date cannot be read stands by its number. --grep keeps\n"
        "the versions whose description, owner or name holds TEXT, in any letter case;\n"
        "without CLIENT PROJECT it searches the whole workspace, and each line starts\n"
        "with the client and the project. --since keeps the versions of DATE\n"
        "(YYYY-MM-DD, as 2026-12-01) or later. With --json, prints one JSON document:\n"
        "  {\"workspace\", \"versions\": [{\"client\", \"project\", \"name\", \"number\",\n"
        "  \"state\", \"parent\", \"datetime\", \"when\", \"owner\", \"description\"}]}",
        0, 2, {"--json"})
        .TakesValues({"--grep", "--since"}, &HistoryCommands::CheckLogLine)
        .Runs([](CommandRun& run) { return run.history.Log(run.line); })
        .ReadsOnly();
    add("rebuild", "", "Rebuild the catalogue from the folders",
        "Reads the workspace folder again and rewrites the catalogue file. On a\n"
        "terminal, the item being read is shown as it goes. At the end, prints the\n"
        "number of clients, projects and versions found.",
        0, 0)
        .Runs([](CommandRun& run) { return run.workspace.Rebuild(); })
        .OpensDamagedCatalogue();
    add("new-client", "NAME", "Create a client",
        "Creates the client NAME and its folder. A name that is taken or not allowed\n"
        "is refused.",
        1, 1)
        .Runs([](CommandRun& run) { return run.workspace.NewClient(run.line.Arguments()); })
        .Does("%1 was created");
    add("new-project", "CLIENT NAME", "Create a project",
        "Creates the project NAME of CLIENT, with its folder and its first version,\n"
        "\"version 1\".",
        2, 2)
        .Runs([](CommandRun& run) { return run.workspace.NewProject(run.line.Arguments()); })
        .Does("%2 was created");
    add("rename-client", "CLIENT NEWNAME", "Rename a client",
        "Renames the client and its folder. Blanks around NEWNAME are dropped.", 2, 2)
        .Runs([](CommandRun& run) { return run.workspace.RenameClient(run.line.Arguments()); })
        .Does("%1 was renamed to %2");
    add("rename-project", "CLIENT PROJECT NEWNAME", "Rename a project",
        "Renames the project and its folder. Blanks around NEWNAME are dropped.", 3, 3)
        .Runs([](CommandRun& run) { return run.workspace.RenameProject(run.line.Arguments()); })
        .Does("%2 was renamed to %3");
    add("delete-client", "CLIENT", "Delete a client with all its projects",
        "Asks, then moves the client's folder to the trash and removes the client.\n"
        "The question is asked on the terminal; --yes answers Yes, and without a\n"
        "terminal the answer is No.",
        1, 1)
        .Runs([](CommandRun& run) { return run.workspace.DeleteClient(run.line.Arguments()); })
        .Does("%1 was deleted");
    add("delete-project", "CLIENT PROJECT", "Delete a project with all its versions",
        "Asks, then moves the project's folder to the trash and removes the project.\n"
        "The question is asked on the terminal; --yes answers Yes, and without a\n"
        "terminal the answer is No.",
        2, 2)
        .Runs([](CommandRun& run) { return run.workspace.DeleteProject(run.line.Arguments()); })
        .Does("%2 was deleted");
    add("checkout", "CLIENT PROJECT VERSION", "Check out a version",
        "Copies the checked-in VERSION into a new version, checked out by you, and\n"
        "prints the new version's name.",
        3, 3)
        .Runs([](CommandRun& run) { return run.versions.CheckOut(run.line.Arguments()); })
        .Does("The new version was made");
    add("checkin", "CLIENT PROJECT VERSION (-m TEXT | -F FILE)", "Check in a version",
        "Checks in the checked-out VERSION with the description TEXT, or the text of\n"
        "FILE (\"-\" reads standard input). Line breaks are kept; a file's final line\n"
        "break is dropped.",
        3, 3, {}, true)
        .Runs([](CommandRun& run) {
            return run.versions.CheckIn(run.line.Arguments(), run.description);
        });
    add("checkin-checkout", "CLIENT PROJECT VERSION (-m TEXT | -F FILE)",
        "Check in a version and check it out again",
        "Checks in the checked-out VERSION as checkin does, then checks it out again\n"
        "and prints the new version's name.",
        3, 3, {}, true)
        .Runs([](CommandRun& run) {
            return run.versions.CheckInCheckOut(run.line.Arguments(), run.description);
        })
        .Does("%3 was checked in and the new version made");
    add("undo-checkout", "CLIENT PROJECT VERSION", "Throw a checked-out version away",
        "Asks, then moves the checked-out VERSION's folder to the trash. The question is\n"
        "asked on the terminal; --yes answers Yes, and without a terminal the answer\n"
        "is No.",
        3, 3)
        .Runs([](CommandRun& run) { return run.versions.UndoCheckOut(run.line.Arguments()); })
        .Does("The check-out of %3 was undone");
    add("import", "CLIENT PROJECT VERSION FOLDER", "Import work into a first version",
        "Copies FOLDER into the version's folder: its sub-folders \"Program Data\" and\n"
        "\"Corvane Projects\" when it has the first, or else the folder itself. Only\n"
        "into version 1 of a project that has no other version.",
        4, 4)
        .Runs([](CommandRun& run) { return run.versions.Import(run.line.Arguments()); });
    add("editors", "", "List the registered editors",
        "Prints one line per registered editor: its name, a tab and its program.", 0, 0)
        .Runs([](CommandRun& run) { return run.editors.List(); })
        .ReadsOnly();
    add("add-editor", "NAME PATH", "Register an editor",
        "Registers the program PATH as the editor NAME. The name must be new.", 2, 2)
        .Runs([](CommandRun& run) { return run.editors.Add(run.line.Arguments()); });
    add("open", "CLIENT PROJECT VERSION EDITOR", "Open a checked-out version in an editor",
        "Records EDITOR as the version's editor and starts it with the version's\n"
        "folder as its only argument, then waits until it ends.",
        4, 4)
        .Runs([](CommandRun& run) { return run.editors.Open(run.line.Arguments()); });
    add("diff", "CLIENT PROJECT VERSION VERSION", "Compare two versions",
        "Compares the folders of two versions of a project by contents, leaving out\n"
        "the data file \"QuorvelConfig.xml\". Prints one line per difference, sorted\n"
        "by path: \"A path\" only in the second version, \"D path\" only in the first,\n"
        "\"M path\" different contents. Exit status 0 when the same, 1 when they\n"
        "differ, 2 on error.",
        4, 4)
        .Runs([](CommandRun& run) { return run.versions.Diff(run.line.Arguments()); })
        .ReadsOnly()
        .ReportsDifference();
    add("archive", "CLIENT PROJECT VERSION [-o FILE]", "Pack a version into a zip file",
        "Writes the files of VERSION into a zip file, leaving out its data file\n"
        "\"QuorvelConfig.xml\" and what interrupted work left: FILE, or else\n"
        "\"CLIENT - PROJECT - Version N.zip\" in the current folder (or in FILE when\n"
        "that is a folder). The archive is put in place only when it is whole,\n"
        "replacing a file of that name. Prints the archive's path.",
        3, 3)
        .Runs([](CommandRun& run) {
            return ArchiveCommand().Run(run.line.Arguments(), run.line.Output());
        })
        .ReadsOnly()
        .TakesOutput();
    add("du", "CLIENT [PROJECT] [--json]", "Show what versions take on disk",
        "Prints one line per version of CLIENT, or of its PROJECT: client, project,\n"
        "version, files, bytes, bytes on disk, and the bytes on disk that no other\n"
        "file shares (what deleting the version would free), separated by tabs.\n"
        "With --json, prints one JSON document instead:\n"
        "  {\"workspace\", \"versions\": [{\"client\", \"project\", \"version\", \"files\",\n"
        "  \"bytes\", \"allocated\", \"shared\", \"unshared\"}]}",
        1, 2, {"--json"})
        .Runs([](CommandRun& run) {
            return DiskUsageCommand().Run(run.line.Arguments(),
                                          run.line.Has(QStringLiteral("--json")));
        })
        .ReadsOnly();

    return commands;
}

} // namespace

const std::vector<CommandDefinition>& CommandDefinition::All() {
    static const std::vector<CommandDefinition> commands = MakeCommands();
    return commands;
}

QString CommandDefinition::DoneText(const QStringList& arguments) const {
    QString text;
    for (qsizetype i = 0; i < done.size(); ++i) {
        const QChar c = done[i];
        const int number = i + 1 < done.size() ? done[i + 1].digitValue() : -1;
        if (c == u'%' && number >= 1 && number <= arguments.size()) {
            text += arguments[number - 1];
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

const CommandDefinition* CommandDefinition::Find(const QString& name) {
    for (const CommandDefinition& command : All()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}
