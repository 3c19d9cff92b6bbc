#include "catalogue/VersionOnDisk.h"

#include "catalogue/ItemPath.h"
#include "catalogue/TVersion.h"
#include "catalogue/VersionConsts.h"
#include "platform/FileSystem.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"

QString VersionOnDisk::ChangedSinceShown(TVersion& version) {
    version.CheckFolderNames();
    const QString folder = version.Path();
    const QString where = ItemPath::Of(version.ParentItem()).Text();
    if (!FileSystem::FolderExists(folder)) {
        return QStringLiteral("%1 of %2 is no longer in the workspace; nothing was changed.")
            .arg(version.Name(), where);
    }
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(folder).GetParser();
    // Without a data file nobody recorded anything here since.
    if (!parser)
        return QString();
    TVersion disk(version.ParentCollection());
    disk.DataFromXml(*parser);
    // What a command goes by: the state and the record of the last check-out
    // or check-in (another's check-in changes both).
    if (disk.State() == version.State() && disk.CheckInProperties() == version.CheckInProperties())
        return QString();
    version.SetParentVersion(disk.ParentVersion());
    version.SetEditor(disk.Editor());
    version.SetCheckInProperties(disk.CheckInProperties());
    version.SetState(disk.State());
    const TCheckInProperties& record = disk.CheckInProperties();
    const QString what =
        disk.IsCheckedOut() ? QStringLiteral("checked out") : QStringLiteral("checked in");
    return QStringLiteral("%1 was %2 by %3 on %4; nothing was changed.")
        .arg(version.Name(), what, record.sOwner, record.sDatetime);
}
