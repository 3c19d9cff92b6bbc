#include "catalogue/TVersions.h"

#include "catalogue/TVersion.h"
#include "platform/QuorvelError.h"

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
