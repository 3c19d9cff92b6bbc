#include "ui/CatalogueViewState.h"

#include "catalogue/NameLookup.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "ui/CatalogueTree.h"
#include "ui/VersionListWidget.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QScrollBar>

CatalogueViewState CatalogueViewState::Of(const CatalogueTree& tree) {
    CatalogueViewState state;
    state.expanded_ = tree.ExpandedClients();
    state.scrolled_ = tree.verticalScrollBar()->value();
    if (VersionMngr) {
        state.listed_ = PathOf(VersionMngr->InstalledProject());
        state.active_ = PathOf(VersionMngr->ActiveItem());
    }
    return state;
}

void CatalogueViewState::Restore(CatalogueTree& tree, VersionListWidget& list) const {
    if (VersionMngr) {
        // The listed project first: a client may be active beside it.
        if (TVersionItem* listed = Find(listed_))
            VersionMngr->SetActiveItem(listed);
        if (TVersionItem* active = Find(active_)) {
            VersionMngr->SetActiveItem(active);
            if (auto* version = dynamic_cast<TVersion*>(active))
                list.SelectRow(version->ListItem());
        }
    }
    // Last: showing the active item opens its client.
    tree.SetExpandedClients(expanded_);
    tree.doItemsLayout();
    tree.verticalScrollBar()->setValue(scrolled_);
}

QStringList CatalogueViewState::PathOf(const TVersionItem* item) {
    QStringList path;
    for (; item; item = item->ParentItem())
        path.prepend(item->Name());
    return path;
}

TVersionItem* CatalogueViewState::Find(const QStringList& path) {
    if (path.isEmpty() || !ProjectMngr || !ProjectMngr->Clients())
        return nullptr;
    const TVersionCollection* level = ProjectMngr->Clients();
    TVersionItem* item = nullptr;
    for (const QString& name : path) {
        item = level ? NameLookup(*level, name).Item() : nullptr;
        if (!item)
            return nullptr;
        level = item->VersionCollection();
    }
    return item;
}
