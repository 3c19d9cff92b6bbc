#include "catalogue/VersionConsts.h"

QString StateName(TVersionState state) {
    static const QString STATEARRAY[] = {QStringLiteral("checked in"),
                                         QStringLiteral("checked out")};
    return STATEARRAY[state == vsCheckedOut ? 1 : 0];
}

TVersionState StateStrToEnum(const QString& s) {
    return s == QLatin1String("checked out") ? vsCheckedOut : vsCheckedIn;
}
