#include "catalogue/ItemFolders.h"

#include "platform/FileSystem.h"
#include "platform/TextRules.h"
#include "platform/UserInterface.h"

namespace {

const QString badchars = QStringLiteral("\\/:*?\"<>|");
const QString badcharsws = QStringLiteral("\\ / : * ? \"\" < > |\"  ");

} // namespace

bool IsLegalDirectoryName(const QString& sDir) {
    const QString trimmed = TextRules::Trim(sDir);
    if (trimmed.isEmpty()) {
        User().ShowMessage(QStringLiteral("A Client or Project name may not be empty."));
        return false;
    }
    for (const QChar c : sDir) {
        if (badchars.contains(c)) {
            User().ShowMessage(
                QStringLiteral("A Client or Project name may not contain any of the following ") +
                badcharsws + QStringLiteral(" Characters "));
            return false;
        }
    }
    // A line break or tab would not survive the catalogue file.
    for (const QChar c : sDir) {
        if (c.unicode() < 0x20) {
            User().ShowMessage(
                QStringLiteral("A Client or Project name may not contain control characters."));
            return false;
        }
    }
    // "." and ".." are not folders of their own: ".." is the parent.
    if (sDir == QLatin1String(".") || sDir == QLatin1String("..")) {
        User().ShowMessage(QStringLiteral("A Client or Project name may not be \".\" or \"..\"."));
        return false;
    }
    return true;
}

bool DeleteFilesInDir(const QString& directory) {
    if (directory.isEmpty())
        return false;
    if (FileSystem::MoveToTrash(directory))
        return true;
    User().ShowMessage(
        QStringLiteral("The folder %1 could not be moved to the trash; it is still on disk.")
            .arg(FileSystem::WithoutTrailingSeparator(directory)));
    return false;
}
