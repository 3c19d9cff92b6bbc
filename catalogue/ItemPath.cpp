#include "catalogue/ItemPath.h"

#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"

ItemPath ItemPath::Of(const TVersionItem* item) {
    ItemPath path;
    for (; item; item = item->ParentItem())
        path.names_.prepend(item->Name());
    return path;
}

TVersionItem* ItemPath::Find(const TVersionCollection* root) const {
    TVersionItem* item = nullptr;
    const TVersionCollection* level = root;
    for (const QString& name : names_) {
        if (!level)
            return nullptr;
        item = level->ItemNamed(name);
        if (!item)
            return nullptr;
        level = item->VersionCollection();
    }
    return item;
}
