#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The picture of an editor's program for its menu entry.
namespace EditorIcon {

// The icon of the desktop entry that starts program, when one of the
// desktop's application folders has one; else the icon the desktop gives
// the file; an empty icon for an empty path or a missing file.
QIcon ForProgram(const QString& program);

// The "Icon=" value of the first desktop entry in applicationFolders whose
// "Exec=" program is program (by path, or by name found on the search
// path); empty text when none is.
QString DesktopEntryIcon(const QString& program, const QStringList& applicationFolders);

} // namespace EditorIcon
