#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ProgramPaths {

namespace {

// The name of the desktop program's file; the command-line tool uses the
// same settings, so this is not the running executable's name.
const QLatin1String kProgramName("quorvel");

QString& TestingFolder() {
    static QString folder;
    return folder;
}

QString WithSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The user's folder of the given kind for this program. Not the
// application-specific locations: those follow the executable's name, and
// the two programs must meet in one folder.
QString UserFolder(QStandardPaths::StandardLocation generic) {
    return WithSeparator(QStandardPaths::writableLocation(generic)) + kProgramName + u'/';
}

} // namespace

QString ProgramFolder() {
    if (!TestingFolder().isEmpty())
        return TestingFolder();
    return WithSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramFolderForTesting(const QString& folder) {
    TestingFolder() = folder.isEmpty() ? QString() : WithSeparator(folder);
}

bool IsInstalled() {
    // An installed program stands in a prefix's bin folder, with its
    // desktop entry in the prefix's share folder.
    return QFileInfo::exists(ProgramFolder() +
                             QLatin1String("../share/applications/quorvel.desktop"));
}

bool KeepsFilesBesideProgram() {
    const QFileInfo folder(ProgramFolder());
    if (!folder.isDir() || !folder.isWritable() || IsInstalled())
        return false;
#ifdef Q_OS_UNIX
    // Root may write anywhere; a folder without any write permission was
    // still made read-only on purpose.
    if (::geteuid() == 0 &&
        !(folder.permissions() &
          (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)))
        return false;
#endif
    return true;
}

QString SettingsFolder() {
    return KeepsFilesBesideProgram() ? ProgramFolder()
                                     : UserFolder(QStandardPaths::GenericConfigLocation);
}

QString SettingsFile() {
    return SettingsFolder() + kProgramName + QLatin1String(".Ini");
}

QString EditorRegistryFile() {
    return SettingsFolder() + QLatin1String("Editor.ini");
}

QString DefaultWorkspace() {
    const QString base = KeepsFilesBesideProgram()
                             ? ProgramFolder()
                             : UserFolder(QStandardPaths::GenericDataLocation);
    return base + QLatin1String("Projects/");
}

} // namespace ProgramPaths
