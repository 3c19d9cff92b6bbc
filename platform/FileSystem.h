#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The folder operations the catalogue needs. Paths use "/" and a folder
// path may end with "/".
namespace FileSystem {

// Names of the immediate sub-folders, hidden ones included, in the order
// the file system lists them. Symbolic links are not followed: a link is
// not a folder of the workspace. A name that is not valid UTF-8 could not
// be found again through the text it would give; it is left out, and
// shown (see ReadableName) in *unreadable when that is given. The names of
// links to folders, so shown, go to *links when that is given. Raises
// QuorvelError when the folder cannot be read.
QStringList ListSubfolders(const QString& folder, QStringList* unreadable = nullptr,
                           QStringList* links = nullptr);

// A file name as bytes, shown as text: valid UTF-8 as it is, every other
// byte as \xHH.
QString ReadableName(QByteArrayView name);

bool FolderExists(const QString& path);
bool FileExists(const QString& path);

// Creates the folder with its missing parents. On failure returns false
// and puts the system's reason in *reason.
bool MakePath(const QString& path, QString* reason);

// Creates one folder in a folder that exists: a parent that is gone is
// never made again. On failure returns false and puts the system's reason
// in *reason.
bool MakeFolder(const QString& path, QString* reason);

// Renames a folder; fails when the new name exists, never replaces.
bool RenameFolder(const QString& from, const QString& to);

// Moves a file or folder to the desktop trash, where it can be restored.
bool MoveToTrash(const QString& path);

// Deletes a folder with everything in it, read-only files included.
// Returns false when anything could not be removed.
bool RemoveTree(const QString& path);

// RemoveTree, so that the folder is gone at once or not at all: it is
// first renamed to a hidden work folder beside it. What cannot be deleted
// stays there, out of sight, for a later clean-up to try again.
bool RemoveTreeWholly(const QString& path);

// Folders whose name starts with this are copies still being made, or
// versions being removed (or what a crash left of either); they are never
// part of the catalogue. The program that works on one holds a lock on it
// (see LockWorkFolder) for as long as it does.
QString PartialCopyPrefix();

// Locks an open work folder (or file) against removal by another run's
// clean-up; the lock ends when fd is closed. False when another run holds
// it.
bool LockWorkFolder(int fd);

// Removes the work folder or file at path when no running program holds
// it; true when it was removed.
bool RemoveIfAbandoned(const QString& path);

// RemoveIfAbandoned for every work folder directly inside folder, ending
// with "/"; the paths of those removed.
QStringList RemoveAbandonedWorkFolders(const QString& folder);

// Removes the temporaries that interrupted saves of the file fileName
// left in folder (see TextFile::WriteAtomically), when no running save
// holds them; the paths of those removed.
QStringList RemoveAbandonedSaveTemporaries(const QString& folder, const QString& fileName);

// The path without its closing separator.
QString WithoutTrailingSeparator(const QString& path);

// A name that stands for exactly one entry of its folder: not empty,
// not "." or "..", no separator and no NUL.
bool IsSingleFolderName(const QString& name);

} // namespace FileSystem
