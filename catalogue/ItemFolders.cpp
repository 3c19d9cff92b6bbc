#include "catalogue/ItemFolders.h"

#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"
#include "platform/UserInterface.h"
#include "storage/TConfigStreamer.h"

#include <QFile>

#include <algorithm>
#include <climits>

namespace {

const QString badchars = QStringLiteral("\\/:*?\"<>|");
const QString badcharsws = QStringLiteral("\\ / : * ? \"\" < > |\"  ");

#ifdef PATH_MAX
constexpr qsizetype kPathMax = PATH_MAX;
#else
constexpr qsizetype kPathMax = 4096;
#endif
#ifdef NAME_MAX
constexpr qsizetype kNameMax = NAME_MAX;
#else
constexpr qsizetype kNameMax = 255;
#endif

// DEL and the C1 controls too: a terminal or another program may act on them.
bool IsControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Characters that turn the order in which text is shown.
bool IsDirectionMark(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

qsizetype FileSystemBytes(const QString& text) {
    return QFile::encodeName(text).size();
}

qsizetype DataFileTemporaryBytes() {
    return TextFile::SaveTemporaryNameSize(FileSystemBytes(TConfigStreamer::ConfigFileName()));
}

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
        if (IsControl(c.unicode())) {
            User().ShowMessage(
                QStringLiteral("A Client or Project name may not contain control characters."));
            return false;
        }
    }
    // Unseen, they make one name look like another.
    for (const QChar c : sDir) {
        if (IsDirectionMark(c.unicode())) {
            User().ShowMessage(QStringLiteral("A Client or Project name may not contain direction "
                                              "marks, which make a name look like another."));
            return false;
        }
    }
    // "." and ".." are not folders of their own: ".." is the parent.
    if (sDir == QLatin1String(".") || sDir == QLatin1String("..")) {
        User().ShowMessage(QStringLiteral("A Client or Project name may not be \".\" or \"..\"."));
        return false;
    }
    if (FileSystemBytes(sDir) > kNameMax) {
        User().ShowMessage(QStringLiteral("A Client or Project name may not be longer than %1 "
                                          "bytes (characters outside ASCII take two to four).")
                               .arg(kNameMax));
        return false;
    }
    return true;
}

bool FitsPathLimit(const QString& parentFolder, const QString& sDir, qsizetype bytesBelow) {
    // The deepest path, its separators and the closing NUL must fit.
    const qsizetype separator = parentFolder.endsWith(u'/') ? 0 : 1;
    const qsizetype room =
        kPathMax - 1 - FileSystemBytes(parentFolder) - separator - 1 - bytesBelow;
    if (FileSystemBytes(sDir) <= room)
        return true;
    if (room < 1) {
        User().ShowMessage(QStringLiteral("There is no room for a Client or Project in the folder "
                                          "%1: the paths of its files would be longer than the "
                                          "system's limit of %2 bytes.")
                               .arg(parentFolder)
                               .arg(kPathMax - 1));
    } else {
        User().ShowMessage(QStringLiteral("A Client or Project name may not be longer than %1 "
                                          "bytes here: the paths of its files would be longer "
                                          "than the system's limit of %2 bytes.")
                               .arg(room)
                               .arg(kPathMax - 1));
    }
    return false;
}

qsizetype BytesUsedBelow(const QStringList& newFolders) {
    qsizetype bytes = DataFileTemporaryBytes();
    for (const QString& folder : newFolders)
        bytes += FileSystemBytes(folder) + 1;
    return bytes;
}

qsizetype BytesUsedBelow(const TVersionItem& item) {
    qsizetype longest = DataFileTemporaryBytes();
    if (const TVersionCollection* below = item.VersionCollection()) {
        for (int i = 0; i < below->Count(); ++i) {
            const TVersionItem& child = *below->GetItems(i);
            longest = std::max(longest, FileSystemBytes(child.Name()) + 1 + BytesUsedBelow(child));
        }
    }
    return longest;
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
