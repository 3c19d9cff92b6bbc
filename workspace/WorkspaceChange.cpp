#include "workspace/WorkspaceChange.h"

#include "workspace/CatalogueNotSaved.h"
#include "workspace/TProjectManager.h"

WorkspaceChange::WorkspaceChange(TProjectManager& manager, Follow follow) : manager_(manager) {
    manager_.LockWorkspace(follow == Follow::Yes);
}

WorkspaceChange::~WorkspaceChange() {
    manager_.UnlockWorkspace(changed_);
}

void WorkspaceChange::Commit() {
    changed_ = true;
    try {
        manager_.SaveProject();
    } catch (const CatalogueNotSaved&) {
        throw;
    } catch (const QuorvelError& error) {
        throw CatalogueNotSaved(error.Message());
    }
}
