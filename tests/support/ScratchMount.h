#pragma once

#include <QString>
#include <QtGlobal>

// File systems of a test's own, mounted in a mount table of the test
// process's own, so that nothing outside sees them and they go with the
// process.
namespace ScratchMount {

// A tmpfs of at most bytes at folder (as root, or else in a user
// namespace). False when this machine allows neither; *why says so.
bool Tmpfs(const QString& folder, qint64 bytes, QString* why);

// An XFS file system that shares blocks between copies (reflink), made in
// the image file image and mounted through a loop device at folder; needs
// root and mkfs.xfs. False when it cannot be had here; *why says why.
bool Xfs(const QString& image, const QString& folder, QString* why);

// Unmounts what is mounted at folder.
void Unmount(const QString& folder);

} // namespace ScratchMount
