#pragma once

#include <QString>
#include <functional>

class QObject;

// Shows a folder in the desktop's file manager.
class DesktopFolderOpener {
public:
    // Through the freedesktop file-manager interface when a program on the
    // session bus offers it, else through xdg-open. False at once when
    // neither is there to take the folder; when xdg-open finds no program
    // to show it, failedLater runs afterwards, from the event loop, while
    // context lives. Writes nothing.
    static bool Open(const QString& folder, QObject* context,
                     const std::function<void()>& failedLater);
    // What the user is told when no program showed folder, and what to
    // install.
    static QString NoProgramText(const QString& folder);

private:
    static bool ShowThroughFileManagerInterface(const QString& folder);
    static bool ShowThroughXdgOpen(const QString& folder, QObject* context,
                                   const std::function<void()>& failedLater);
};
