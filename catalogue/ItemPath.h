#pragma once

#include <QString>
#include <QStringList>

class TVersionCollection;
class TVersionItem;

// Where an item stands in the catalogue, by its names from the client
// down. Holds no pointer, so it outlives a catalogue that follows another
// program's changes, and finds the item again by its exact names.
class ItemPath {
public:
    ItemPath() = default;
    static ItemPath Of(const TVersionItem* item);

    // The item of exactly these names below root, or null when any of them
    // is gone (or renamed).
    TVersionItem* Find(const TVersionCollection* root) const;
    // "Acme/Harbour/Version 2".
    QString Text() const { return names_.join(u'/'); }
    bool IsEmpty() const { return names_.isEmpty(); }

private:
    QStringList names_;
};
