#pragma once

#include <QString>

// The name check for a client or project name the user typed; shows the
// refusal and returns false.
bool IsLegalDirectoryName(const QString& sDir);

// Moves a client or project folder to the trash, without asking; says so
// when it cannot. True when it went.
bool DeleteFilesInDir(const QString& directory);
