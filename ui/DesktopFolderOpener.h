#pragma once

#include <QString>

// Shows a folder in the desktop's file manager.
class DesktopFolderOpener {
public:
    // Through the freedesktop file-manager interface when a program on the
    // session bus offers it, else through the desktop's handler for
    // folders. False when neither took the folder. Writes nothing.
    static bool Open(const QString& folder);

private:
    static bool ShowThroughFileManagerInterface(const QString& folder);
};
