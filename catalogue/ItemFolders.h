#pragma once

#include <QString>
#include <QStringList>

class TVersionItem;

// The name check for a client or project name the user typed; shows the
// refusal and returns false.
bool IsLegalDirectoryName(const QString& sDir);

// The check of a legal name against the system's limit on the length of a
// path: the folder sDir in parentFolder (ending with "/") and the paths of
// up to bytesBelow bytes that the program uses inside it must all be
// possible. Shows the refusal and returns false when they are not.
bool FitsPathLimit(const QString& parentFolder, const QString& sDir, qsizetype bytesBelow);
// The longest path, in bytes, that the program uses inside a new item's
// folder that gets the folders newFolders, each inside the one before: the
// save temporary of the data file in the deepest.
qsizetype BytesUsedBelow(const QStringList& newFolders);
// The same inside an existing item's folder, over every item below it.
qsizetype BytesUsedBelow(const TVersionItem& item);

// Moves a client or project folder to the trash, without asking; says so
// when it cannot. True when it went.
bool DeleteFilesInDir(const QString& directory);
