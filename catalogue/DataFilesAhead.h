#pragma once

#include <QString>
#include <optional>
#include <vector>

class TVersionCollection;

// The folders whose data files TVersionItem::LoadDataIn will read, in the
// order it reads them: a source for a DataFileReader that runs ahead of the
// loading. Items are found by their place below a root collection at each
// step, never held, so that a catalogue changed meanwhile can only make a
// guess wrong (the reader then reads the asked folder at once).
class DataFilesAhead {
public:
    // The items of root (only the one at onlyIndex, when not -1) and all
    // below them; rootFolder is root's folder, rootSafe whether every name
    // above it is a single folder name. Items less than firstDepth levels
    // below root are walked through without reading their data files, and
    // the collections they own are walked whether loaded or not.
    DataFilesAhead(const TVersionCollection* root, QString rootFolder, bool rootSafe,
                   int firstDepth = 0, int onlyIndex = -1);

    std::optional<QString> operator()();

private:
    struct Level {
        // The place of the next item in the level's collection, and the end.
        int next;
        int end;
        QString folder;
        bool safe;
    };

    // The collection the level at depth walks, or null when it is gone.
    const TVersionCollection* CollectionAt(size_t depth) const;

    const TVersionCollection* root_;
    int firstDepth_;
    std::vector<Level> levels_;
};
