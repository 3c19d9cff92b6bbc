#pragma once

#include <QString>

// Starting another program.
namespace ProcessLauncher {

// Starts program with argument as its one and only argument (no shell,
// no splitting, no quoting), in this program's current folder and
// environment, and waits without time limit until it has ended. Nothing
// is shown and nothing is raised. True when the program ran; false at
// once when it could not be started (empty path, missing file, not an
// executable).
bool RunAndWait(const QString& program, const QString& argument);

} // namespace ProcessLauncher
