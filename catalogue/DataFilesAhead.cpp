#include "catalogue/DataFilesAhead.h"

#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <limits>

DataFilesAhead::DataFilesAhead(const TVersionCollection* root, QString rootFolder, bool rootSafe,
                               int firstDepth, int onlyIndex)
    : root_(root), firstDepth_(firstDepth) {
    const int end = onlyIndex < 0 ? std::numeric_limits<int>::max() : onlyIndex + 1;
    levels_.push_back({std::max(onlyIndex, 0), end, std::move(rootFolder), rootSafe});
}

const TVersionCollection* DataFilesAhead::CollectionAt(size_t depth) const {
    const TVersionCollection* collection = root_;
    for (size_t d = 0; d < depth; ++d) {
        // The level's items come from the item last walked a level up.
        const int at = levels_[d].next - 1;
        if (at < 0 || at >= collection->Count())
            return nullptr;
        collection = collection->GetItems(at)->VersionCollection();
        if (!collection)
            return nullptr;
    }
    return collection;
}

std::optional<QString> DataFilesAhead::operator()() {
    while (!levels_.empty()) {
        const size_t depth = levels_.size() - 1;
        const TVersionCollection* collection = CollectionAt(depth);
        Level& level = levels_.back();
        if (!collection || level.next >= std::min(level.end, collection->Count())) {
            levels_.pop_back();
            continue;
        }
        const TVersionItem* item = collection->GetItems(level.next++);
        // As TVersionItem::LoadDataIn decides.
        const bool safe = level.safe && FileSystem::IsSingleFolderName(item->Name());
        const QString folder =
            level.folder + (item->Name().isEmpty() ? QString() : item->Name() + u'/');
        const bool reads = int(depth) >= firstDepth_;
        if (item->HasCollection() &&
            (int(depth) < firstDepth_ || !item->VersionCollection()->DataLoaded()))
            levels_.push_back({0, std::numeric_limits<int>::max(), folder, safe});
        if (reads && safe)
            return folder;
    }
    return std::nullopt;
}
