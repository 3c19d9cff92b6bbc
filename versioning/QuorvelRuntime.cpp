#include "versioning/QuorvelRuntime.h"

#include "platform/UserInterface.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

QuorvelRuntime::QuorvelRuntime(UserInterface& user, TQuorvelConfig::Access access) {
    InstallUser(&user);
    try {
        QuorvelConfig = new TQuorvelConfig(access);
        ProjectMngr = new TProjectManager;
    } catch (...) {
        delete QuorvelConfig;
        QuorvelConfig = nullptr;
        InstallUser(nullptr);
        throw;
    }
}

QuorvelRuntime::~QuorvelRuntime() {
    delete ProjectMngr;
    ProjectMngr = nullptr;
    delete VersionMngr;
    VersionMngr = nullptr;
    delete QuorvelConfig;
    QuorvelConfig = nullptr;
    InstallUser(nullptr);
}

TVersionManager* QuorvelRuntime::VersionManager(VersionListView* view) {
    if (VersionMngr)
        return VersionMngr;
    VersionMngr = new TVersionManager(view);
    TProjectManager::VersionHooks hooks;
    hooks.catalogueDiscarded = [] { VersionMngr->Clear(); };
    hooks.activeVersion = [] { return VersionMngr->ActiveVersion(); };
    hooks.openInEditor = [](TEditor* editor) {
        return VersionMngr->OpenInEditor(editor) != TVersionManager::EditorStart::NotStarted;
    };
    hooks.versionAdded = [](TVersion* version) { VersionMngr->VersionAppeared(version); };
    ProjectMngr->SetVersionHooks(std::move(hooks));
    return VersionMngr;
}
