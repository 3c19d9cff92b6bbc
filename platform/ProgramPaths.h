#pragma once

#include <QString>

// Where the program's own files live. The desktop program and the
// command-line tool stand in one folder and share these files, so the
// names come from the program's name, never from the running executable.
// Folder paths end with "/".
namespace ProgramPaths {

// The folder of the running executable, or the one set for testing.
QString ProgramFolder();
// Makes ProgramFolder answer folder; an empty text restores the real one.
void SetProgramFolderForTesting(const QString& folder);

// True when the program stands in an installed layout (a prefix with
// bin/ and share/applications/).
bool IsInstalled();

// True when the program's folder can be written and the program is not
// installed: the settings, the editor
// registry and the default workspace are then kept beside the program;
// otherwise (an installed program) in the user's configuration and data
// folders.
bool KeepsFilesBesideProgram();

// The folder of the settings file and of "Editor.ini".
QString SettingsFolder();
// "quorvel.Ini": the program file's name with ".Ini" as extension.
QString SettingsFile();
// "Editor.ini", the editor registry, beside the settings file.
QString EditorRegistryFile();
// The workspace of a first start: "Projects/" beside the program.
QString DefaultWorkspace();

} // namespace ProgramPaths
