#pragma once

#include <functional>

class TVersion;
class TVersionCollection;

// Brings a catalogue in line with another one (what another program saved)
// item by item, through the catalogue's own operations, so that the tree
// and the version list keep every node, row and selection of what is still
// there. Items are matched by their exact names; what only the other has
// is added at the end, what it lacks is removed.
class CatalogueMerge {
public:
    struct Result {
        int added = 0;
        int removed = 0;
        bool Changed() const { return added > 0 || removed > 0; }
    };

    // Adding lets pending events run (see TVersionCollection::AddItem): the
    // caller keeps every command off the catalogue meanwhile. versionAdded
    // is told of each version added to a collection whose data was loaded,
    // after its data file was read.
    // afterEachItem, when given, is called after each item of other is
    // taken in, so that events may run through a large catalogue.
    static Result Follow(TVersionCollection& live, const TVersionCollection& other,
                         const std::function<void(TVersion*)>& versionAdded,
                         const std::function<void()>& afterEachItem = {});
};
