#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A desktop entry (a freedesktop ".desktop" file): how the desktop starts
// a program, and its icon. The folders are found by the rules that the
// desktop's own tools (xdg-mime, the menus) follow, so that all find the
// same entries.
class DesktopEntry {
public:
    // The desktop's data folders, the user's first: $XDG_DATA_HOME, then
    // $XDG_DATA_DIRS, each with its default; every path ends with "/".
    static QStringList DataFolders();
    // The "applications/" folder of each.
    static QStringList ApplicationFolders();
    // The entry with that id (a file name such as "firefox.desktop") from
    // the first application folder that holds it, directly or in a
    // sub-folder; none when no folder does.
    static std::optional<DesktopEntry> Find(const QString& id);
    // One entry file; its keys stay empty when it cannot be read.
    static DesktopEntry Read(const QString& path);

    // The keys of the "[Desktop Entry]" group.
    const QString& Exec() const { return exec_; }
    const QString& Icon() const { return icon_; }
    // The program Exec starts: its first word, without quotes.
    QString ExecProgram() const;

private:
    QString exec_;
    QString icon_;
};
