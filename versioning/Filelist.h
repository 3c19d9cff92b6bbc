#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <functional>

// The folder copy shared by check-out and import. It keeps the rules of the
// desktop shell's copy: a destination that does not exist becomes the copy;
// an existing folder receives the source inside it under the source's own
// name; files already there are replaced without asking; missing folders
// are created. Contents, modification times, permissions, hidden files and
// empty folders are kept; symbolic links are copied as links, never
// followed. Paths may end with "/" or not; relative ones are taken against
// the current folder. Every file appears whole or not at all.

// The shell's function codes; only copying is supported.
namespace ShellFunction {
constexpr quint16 Move = 1;
constexpr quint16 Copy = 2;
constexpr quint16 Delete = 3;
constexpr quint16 Rename = 4;
} // namespace ShellFunction

// Runs one shell-style file operation. True when it succeeded. On failure
// the user is shown the reason. A Source that is a link to a folder copies
// that folder under the link's name. Codes other than ShellFunction::Copy
// return false.
bool DoFiles(const QString& Source, const QString& Destin, quint16 Mode);

// Copies a folder with DoFiles. True when the copy succeeded, or when it
// failed but aToFilePath names an existing file.
bool CopyFiles(const QString& aFromFilePath, const QString& aToFilePath);

// Adds to a new folder before anybody can see it; gets the folder's path,
// ending with "/". May raise QuorvelError, which fails the copy. What it
// writes is put on disk with the copy where one sync of the file system
// reaches the storage; elsewhere it syncs what it wrote itself (files
// written atomically are; a folder it copies in needs PutTreeOnDisk).
using FillIn = std::function<void(const QString& folder)>;

// How a finished copy takes its name: beside what is there (never
// replacing anything), or in place of a folder of that name, which then
// goes (the two swap names at once, so the name is never empty).
enum class Placing { New, Replace };

// Puts a finished copy in place: gets a function that names the copy in
// the destination's folder (0 when done, else the system's error number,
// EEXIST for a new name that is taken). Returns false, when the copy is not
// to be placed after all (the copy is then removed, and the copy fails
// without a reason of its own); may raise QuorvelError, which fails the
// copy.
using PlaceAs = std::function<int(const QString& name, Placing placing)>;
using Publish = std::function<bool(const PlaceAs& placeAs)>;

// Makes `destination`, which must not exist, a copy of the folder `source`,
// with what fillIn adds. The copy is built in a hidden sibling folder whose
// name starts with FileSystem::PartialCopyPrefix(), locked while it is
// made, put on disk and renamed into place only when it is complete, so
// nobody ever sees half a copy, not even after a power cut; on failure or
// a termination signal that folder is removed again. A `source` that is a
// link is refused. Reports progress to the user but shows no message: the
// reason for a failure goes to *error (may be null). With publish, the
// copy is placed by it, under the name it chooses, instead of at
// destination.
bool CopyFolderAs(const QString& source, const QString& destination, QString* error,
                  const FillIn& fillIn = FillIn(), const Publish& publish = Publish());

// Syncs every file and folder below folder, where one sync of its file
// system would not reach the storage (see DurabilityRule). False when one
// could not be synced.
bool PutTreeOnDisk(const QString& folder);

// What interrupted work of the program leaves in a folder: hidden work
// folders and the temporaries of a data-file save. A copy never carries
// them, and a comparison of two versions never reports them.
bool IsLeftoverName(QByteArrayView name);
