#pragma once

#include "catalogue/CatalogueOwner.h"
#include "catalogue/VersionConsts.h"

#include <QString>
#include <memory>
#include <optional>

class RebuildProgress;
class TClients;
class TEditor;
class TProjectEditors;
class TVersionCollection;
class TVersionItem;

// Owns the open workspace: its folder, its catalogue and the editor
// registry. Opens (load or rebuild), rebuilds and saves the catalogue.
class TProjectManager : public CatalogueOwner {
public:
    TProjectManager();
    // Saves the catalogue and writes the editor registry; errors are shown,
    // never thrown.
    ~TProjectManager() override;
    TProjectManager(const TProjectManager&) = delete;
    TProjectManager& operator=(const TProjectManager&) = delete;

    QString WorkSpace() const override { return FWorkSpace; }
    // Opens the folder: loads its catalogue file or rebuilds from the
    // folders. Raises QuorvelError when the folder cannot be made (the
    // previous workspace then stays open) or the catalogue file cannot be
    // read (what was read stays, and the file is not saved over until a
    // rebuild).
    void SetWorkSpace(const QString& Value);

    CatalogueTreeView* TreeView() const override { return FTreeView; }
    // Takes the tree and empties it.
    void SetTreeView(CatalogueTreeView* Value);

    TClients* Clients() const { return FClients.get(); }
    TProjectEditors* Editors() const { return FEditors.get(); }
    std::optional<ChangeKind> LastAction() const { return FLastAction; }

    // Rebuilds the catalogue from the folders and saves it. Does nothing
    // while a load or rebuild is already running.
    void Refresh();
    // Writes the catalogue file, when the workspace folder exists and the
    // catalogue was not left half read from a damaged file.
    void SaveProject();

    void OnChanged(TVersionCollection* Sender, TVersionItem* ChangedItem, ChangeKind TypeOfChange);
    // Starts the editor on the active version, if a version is active.
    void DoEditorClick(TEditor* Sender);

    bool RefreshActive() const { return FRefreshActive; }
    // True while a catalogue is being loaded or rebuilt: pending window
    // events run meanwhile, and nothing may replace the catalogue then.
    bool Busy() const { return FRefreshActive || FLoading; }

    void SetProgress(RebuildProgress* Value) { FProgress = Value; }

private:
    std::unique_ptr<TClients> NewClients(bool withChangeHandler);

    std::unique_ptr<TClients> FClients;
    CatalogueTreeView* FTreeView = nullptr;
    QString FWorkSpace;
    std::optional<ChangeKind> FLastAction;
    bool FRefreshActive = false;
    bool FLoading = false;
    bool FCatalogueUnreadable = false;
    std::unique_ptr<TProjectEditors> FEditors;
    RebuildProgress* FProgress = nullptr;
};

// The one workspace manager of the running program.
extern TProjectManager* ProjectMngr;
