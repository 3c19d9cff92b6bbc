#pragma once

#include <QString>

class CatalogueTreeView;

// What the root collection reads from the one who owns it: the workspace
// folder (ending with "/") and the tree its clients are shown in.
class CatalogueOwner {
public:
    virtual ~CatalogueOwner() = default;
    virtual QString WorkSpace() const = 0;
    virtual CatalogueTreeView* TreeView() const = 0;
};
