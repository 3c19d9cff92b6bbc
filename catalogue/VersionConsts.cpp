#include "catalogue/VersionConsts.h"

QString StateName(TVersionState state) {
    static const QString STATEARRAY[] = {QStringLiteral("checked in"),
                                         QStringLiteral("checked out")};
    return STATEARRAY[state == vsCheckedOut ? 1 : 0];
}

TVersionState StateStrToEnum(const QString& s) {
    return s == QLatin1String("checked out") ? vsCheckedOut : vsCheckedIn;
}

QString VersionCaption(const QString& name, TVersionState state, const QString& parentVersion,
                       const QString& owner) {
    if (state != vsCheckedOut)
        return name;
    return (parentVersion.isEmpty() ? name : parentVersion) + QStringLiteral(" checked out by ") +
           owner;
}

QString VersionLongName(const QString& name, TVersionState state, const QString& parentVersion,
                        const QString& owner) {
    if (state != vsCheckedOut)
        return name;
    const QString byOwner = QStringLiteral("checked out by ") + owner;
    if (parentVersion.isEmpty() || parentVersion == name)
        return name + QStringLiteral(" (") + byOwner + u')';
    return name + QStringLiteral(" (from ") + parentVersion + QStringLiteral(", ") + byOwner + u')';
}
