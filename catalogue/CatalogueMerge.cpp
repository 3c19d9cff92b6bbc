#include "catalogue/CatalogueMerge.h"

#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "platform/QuorvelError.h"

#include <QHash>
#include <QSet>
#include <vector>

namespace {

void FollowLevel(TVersionCollection& live, const TVersionCollection& other,
                 const std::function<void(TVersion*)>& versionAdded,
                 const std::function<void()>& afterEachItem, CatalogueMerge::Result& result) {
    QSet<QString> wanted;
    for (int i = 0; i < other.Count(); ++i)
        wanted.insert(other.GetItems(i)->Name());

    // Removals first: they let no events run, so the list stays as read.
    std::vector<TVersionItem*> gone;
    QHash<QString, TVersionItem*> kept;
    for (int i = 0; i < live.Count(); ++i) {
        TVersionItem* item = live.GetItems(i);
        if (!wanted.contains(item->Name()) || kept.contains(item->Name()))
            gone.push_back(item);
        else
            kept.insert(item->Name(), item);
    }
    for (TVersionItem* item : gone) {
        live.DelItem(item);
        ++result.removed;
    }

    for (int i = 0; i < other.Count(); ++i) {
        const TVersionItem* model = other.GetItems(i);
        TVersionItem* item = kept.value(model->Name());
        if (!item) {
            item = live.AddItem();
            item->SetName(model->Name());
            kept.insert(model->Name(), item);
            ++result.added;
            if (auto* version = dynamic_cast<TVersion*>(item); version && live.DataLoaded()) {
                try {
                    version->LoadData();
                } catch (const QuorvelError&) {
                    // Without its record, as a rebuild would make it.
                }
                if (versionAdded)
                    versionAdded(version);
            }
        }
        if (item->HasCollection() && model->HasCollection())
            FollowLevel(*item->VersionCollection(), *model->VersionCollection(), versionAdded,
                        afterEachItem, result);
        if (afterEachItem)
            afterEachItem();
    }
}

} // namespace

CatalogueMerge::Result CatalogueMerge::Follow(TVersionCollection& live,
                                              const TVersionCollection& other,
                                              const std::function<void(TVersion*)>& versionAdded,
                                              const std::function<void()>& afterEachItem) {
    Result result;
    FollowLevel(live, other, versionAdded, afterEachItem, result);
    return result;
}
