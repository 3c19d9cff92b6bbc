#pragma once

#include <QString>

// The user's desktop trash as freedesktop.org desktops lay it out: a trashed file or folder is
// files/NAME, and info/NAME.trashinfo says where it came from and when, so that the desktop can put
// it back. Things are only ever renamed into a trash on their own file system, never copied.
class DesktopTrash {
public:
    // The home trash is "Trash" in the user's data folder ($XDG_DATA_HOME,
    // by default ~/.local/share).
    DesktopTrash();
    // The home trash is the folder homeTrash (made when needed).
    explicit DesktopTrash(const QString& homeTrash);

    // Moves the file or folder at path (absolute) into the trash of its file
    // system: the home trash, else the one at the top of its mount
    // ($topdir/.Trash/$uid, else $topdir/.Trash-$uid). Its info file is whole
    // and on disk under its final name before the move, so a killed run never
    // leaves a moved folder without it; a kill just before the move leaves
    // that info file beside a folder still in place, which the next move
    // clears with the other work files a killed run left. False, with path
    // where it was, when no trash is on its file system or a step failed.
    // On success *pathInTrash is where it went.
    bool Move(const QString& path, QString* pathInTrash = nullptr);

private:
    QString homeTrash_;
};
