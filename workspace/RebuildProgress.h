#pragma once

#include <QString>

class TProjectManager;
class TVersionItem;

// Who hears of a rebuild's progress: the progress dialog in the window,
// the terminal in the command-line tool.
class RebuildProgress {
public:
    virtual ~RebuildProgress() = default;
    // An item was found and named.
    virtual void ItemAdded(TProjectManager* Sender, TVersionItem* Item) = 0;
    // The folder scan failed; the items found so far stay.
    virtual void DoError(const QString& Message) = 0;
};
