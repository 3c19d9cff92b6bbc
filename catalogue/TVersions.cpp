#include "catalogue/TVersions.h"

#include "catalogue/ItemPath.h"
#include "catalogue/TVersion.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"

#include <QSet>

#include <limits>

TVersions::TVersions(TVersionItem* AOwner) : TVersionCollection(AOwner) {}

QString TVersions::XmlElementName() const {
    return QStringLiteral("Versions");
}

std::unique_ptr<TVersionItem> TVersions::GetItem() {
    return std::make_unique<TVersion>(this);
}

int TVersions::GetNextVersionNr() const {
    qint64 n = 0;
    for (int i = 0; i < Count(); ++i) {
        const int nr = static_cast<const TVersion*>(GetItems(i))->Nr();
        if (nr >= n)
            n = qint64(nr) + 1;
    }
    if (n > std::numeric_limits<int>::max()) {
        throw QuorvelError(QStringLiteral("Version %1 has the highest number a version can have, "
                                          "so no further version can be checked out in this "
                                          "project.")
                               .arg(std::numeric_limits<int>::max()));
    }
    return int(n);
}

void TVersions::TakeUpFoundItems(const QString& ownerFolder) {
    QStringList onDisk;
    try {
        onDisk = FileSystem::ListSubfolders(ownerFolder);
    } catch (const QuorvelError&) {
        // The project's folder is not there now: nothing to take up.
        return;
    }
    QSet<QString> known;
    for (int i = 0; i < Count(); ++i)
        known.insert(GetItems(i)->Name());
    QStringList found;
    for (const QString& name : onDisk) {
        if (known.contains(name) || !IsItemFolderName(name))
            continue;
        try {
            const std::unique_ptr<TSimpleXmlParser> record =
                TConfigStreamer(ownerFolder + name + u'/').GetParser();
            if (!record || !record->findElement(QStringLiteral("Version")))
                continue;
        } catch (const QuorvelError&) {
            continue;
        }
        AddItem()->SetName(name);
        found << name;
    }
    if (!found.isEmpty()) {
        User().ShowInformation(
            QStringLiteral("%1 in %2 had its own record but was missing from the "
                           "catalogue; it is listed again.")
                .arg(found.join(QStringLiteral(", ")), ItemPath::Of(OwnerItem()).Text()));
    }
}
