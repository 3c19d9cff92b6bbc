#pragma once

#include <QString>

class CommandLine;
class EditorCommands;
class HistoryCommands;
class VersionCommands;
class WorkspaceCommands;

// What a command's handler works with: the parsed command line, the
// description read for it, and the objects that carry the commands out.
struct CommandRun {
    const CommandLine& line;
    const QString& description;
    WorkspaceCommands& workspace;
    VersionCommands& versions;
    EditorCommands& editors;
    HistoryCommands& history;
};
