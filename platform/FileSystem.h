#pragma once

#include <QString>
#include <QStringList>

// The folder operations the catalogue needs. Paths use "/" and a folder
// path may end with "/".
namespace FileSystem {

// Names of the immediate sub-folders, hidden ones included, in the order
// the file system lists them. Symbolic links are not followed: a link is
// not a folder of the workspace. Raises QuorvelError when the folder
// cannot be read.
QStringList ListSubfolders(const QString& folder);

bool FolderExists(const QString& path);
bool FileExists(const QString& path);

// Creates the folder with its missing parents. On failure returns false
// and puts the system's reason in *reason.
bool MakePath(const QString& path, QString* reason);

// Renames a folder; fails when the new name exists, never replaces.
bool RenameFolder(const QString& from, const QString& to);

// Moves a file or folder to the desktop trash, where it can be restored.
bool MoveToTrash(const QString& path);

// Deletes a folder with everything in it, read-only files included.
// Returns false when anything could not be removed.
bool RemoveTree(const QString& path);

// Folders whose name starts with this are copies still being made (or
// left by a crash); they are never part of the catalogue.
QString PartialCopyPrefix();

// The path without its closing separator.
QString WithoutTrailingSeparator(const QString& path);

// A name that stands for exactly one entry of its folder: not empty,
// not "." or "..", no separator and no NUL.
bool IsSingleFolderName(const QString& name);

} // namespace FileSystem
