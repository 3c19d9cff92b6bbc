#include "catalogue/TVersions.h"

#include "catalogue/TVersion.h"

TVersions::TVersions(TVersionItem* AOwner) : TVersionCollection(AOwner) {}

QString TVersions::XmlElementName() const {
    return QStringLiteral("Versions");
}

std::unique_ptr<TVersionItem> TVersions::GetItem() {
    return std::make_unique<TVersion>(this);
}

int TVersions::GetNextVersionNr() const {
    int n = 0;
    for (int i = 0; i < Count(); ++i) {
        const int nr = static_cast<const TVersion*>(GetItems(i))->Nr();
        if (nr >= n)
            n = nr + 1;
    }
    return n;
}
