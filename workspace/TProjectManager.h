#pragma once

#include "catalogue/CatalogueOwner.h"
#include "catalogue/VersionConsts.h"
#include "platform/FileStamp.h"
#include "storage/FileFingerprint.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class RebuildProgress;
class TClients;
class TConfigStreamer;
class TEditor;
class TProjectEditors;
class TVersionCollection;
class TVersion;
class TVersionItem;
class WorkspaceLock;

// Owns the open workspace: its folder, its catalogue and the editor
// registry. Opens (load or rebuild), rebuilds and saves the catalogue.
class TProjectManager : public CatalogueOwner {
public:
    TProjectManager();
    // SaveOnExit, unless it was called.
    ~TProjectManager() override;
    TProjectManager(const TProjectManager&) = delete;
    TProjectManager& operator=(const TProjectManager&) = delete;

    QString WorkSpace() const override { return FWorkSpace; }
    // Opens the folder: loads its catalogue file or rebuilds from the
    // folders. Whole or nothing: the workspace being left stays open, its
    // catalogue and tree as they were, when the path is the file system's
    // root or a file, the folder cannot be made, the workspace cannot be
    // locked for the rebuild, or the catalogue file cannot be read; then
    // QuorvelError is raised. When its
    // catalogue cannot be saved, the user is asked whether to leave it all
    // the same. With no workspace open before, a catalogue file that
    // cannot be read leaves what was read open (not saved over until a
    // rebuild), and raises. An error saving the catalogue of a workspace
    // just rebuilt comes after it opened.
    void SetWorkSpace(const QString& Value);

    CatalogueTreeView* TreeView() const override { return FTreeView; }
    // Takes the tree and empties it.
    void SetTreeView(CatalogueTreeView* Value);

    TClients* Clients() const { return FClients.get(); }
    TProjectEditors* Editors() const { return FEditors.get(); }
    std::optional<ChangeKind> LastAction() const { return FLastAction; }

    // Rebuilds the catalogue from the folders and saves it. Does nothing
    // while a load or rebuild is already running. Folders that cannot be
    // read go to the progress as one error, and then the catalogue is not
    // saved; folders left out and leftovers removed are told the user.
    void Refresh();
    // Writes the catalogue file, when the workspace folder exists, the
    // catalogue is whole (not half read from a damaged file, nor rebuilt
    // past folders that could not be read) and it differs from what the
    // file held when it was last read or written. It is written under the
    // workspace lock, after following what other programs saved, so that
    // their work is never written over.
    void SaveProject();

    // Takes the workspace lock (waiting for other programs, see
    // WorkspaceLock) and, with follow, brings the catalogue in line with
    // what another program saved since this one last read or wrote the
    // file. Calls nest; only the outermost locks and follows. Raises
    // QuorvelError when the lock cannot be had. Use WorkspaceChange.
    void LockWorkspace(bool follow);
    // Ends one LockWorkspace; changed tells other programs to look again.
    void UnlockWorkspace(bool changed);
    bool WorkspaceLocked() const { return lockDepth_ > 0; }
    // For a program that stays open: follows what other programs did since
    // the last look (their catalogue saves, and the count of their changes
    // in the lock file). True when anything may have changed, so that data
    // files shown should be read again. Does nothing while busy.
    bool FollowOtherPrograms();
    // The program's end: saves the catalogue and writes the editor
    // registry; errors are shown, never thrown. False when either failed,
    // so a caller can tell that work was not kept. Runs once; a later call
    // answers as the first did.
    bool SaveOnExit() noexcept;
    // A run that must write nothing: neither the catalogue nor the editor
    // registry is ever written.
    void SetReadOnly(bool Value) { readOnly_ = Value; }

    void OnChanged(TVersionCollection* Sender, TVersionItem* ChangedItem, ChangeKind TypeOfChange);
    // Starts the editor on the active version, if a version is active.
    void DoEditorClick(TEditor* Sender);

    bool RefreshActive() const { return FRefreshActive; }
    // True while a catalogue is being loaded or rebuilt: pending window
    // events run meanwhile, and nothing may replace the catalogue then.
    bool Busy() const { return FRefreshActive || loading_ || editing_ || following_; }
    // Marks the catalogue busy while items are added or removed with events
    // running in between, outside a load or rebuild.
    void SetEditing(bool Value) { editing_ = Value; }
    // Goes up whenever the catalogue is replaced by another one; a reader
    // that let events run compares it, not the root's address.
    quint64 CatalogueGeneration() const { return catalogueGeneration_; }

    void SetProgress(RebuildProgress* Value) { progress_ = Value; }

    // What the workspace manager needs of the version manager, installed by
    // whoever makes both: to let go of a catalogue before it is replaced,
    // and the version an editor is started on.
    struct VersionHooks {
        std::function<void()> catalogueDiscarded;
        std::function<TVersion*()> activeVersion;
        // "Open In" on the active version with the editor; false when the
        // editor was to be started but did not start.
        std::function<bool(TEditor*)> openInEditor;
        // A version another program made came into a project whose data
        // is loaded (its data file is read).
        std::function<void(TVersion*)> versionAdded;
    };
    void SetVersionHooks(VersionHooks Value) { versionHooks_ = std::move(Value); }

private:
    // Both call betweenParts as they go.
    QByteArray CatalogueFileBytes(const std::function<void()>& betweenParts) const;
    static FileFingerprint FingerprintOf(const QByteArray& bytes,
                                         const std::function<void()>& betweenParts);
    // Lets pending window events run while the catalogue is busy; at any
    // other time they wait.
    void LetEventsRun() const;
    // Brings the catalogue in line with the file when another program
    // replaced it since it was last read or written here; true when it did.
    bool FollowCatalogueFile();
    QString CatalogueFileName() const;

    // What belongs to the open workspace, taken aside while another one
    // opens and put back when that fails.
    struct OpenWorkspace {
        QString workspace;
        std::optional<FileFingerprint> saved;
        std::unique_ptr<WorkspaceLock> lock;
        quint64 seenGeneration = 0;
        std::optional<FileStamp> stamp;
        bool incomplete = false;
    };
    OpenWorkspace TakeOpenWorkspace();
    void PutBack(OpenWorkspace&& left);
    // Saves the catalogue of the workspace being left for next; false when
    // that failed and the user chose to stay.
    bool SaveBeforeLeaving(const QString& next);
    void Open(const QString& Value);
    // Reads the catalogue file aside and, when it is whole, puts it in the
    // place of the one shown. False when the file holds no catalogue (the
    // shown one stays). Raises when the file cannot be read: the shown
    // catalogue stays, unless keepPart, when what was read replaces it.
    bool LoadCatalogue(const TConfigStreamer& streamer, bool keepPart);
    // Puts FClients, made without nodes, in the place of shown.
    void ReplaceShown(std::unique_ptr<TClients> shown);
    std::unique_ptr<TClients> NewClients(bool withChangeHandler);
    // Lets go of the catalogue before another one replaces it; events may
    // run meanwhile, so the caller marks the catalogue busy.
    void DiscardCatalogue();

    std::unique_ptr<TClients> FClients;
    CatalogueTreeView* FTreeView = nullptr;
    QString FWorkSpace;
    std::optional<ChangeKind> FLastAction;
    bool FRefreshActive = false;
    bool loading_ = false;
    bool editing_ = false;
    bool following_ = false;
    std::unique_ptr<WorkspaceLock> lock_;
    int lockDepth_ = 0;
    bool changedUnderLock_ = false;
    // The catalogue file as it was when this program last read or wrote it.
    std::optional<FileStamp> catalogueStamp_;
    // The change count of the lock file at the last look.
    quint64 seenGeneration_ = 0;
    quint64 catalogueGeneration_ = 0;
    bool catalogueIncomplete_ = false;
    bool readOnly_ = false;
    // What the catalogue file held when it was last read or written.
    std::optional<FileFingerprint> savedCatalogue_;
    std::unique_ptr<TProjectEditors> FEditors;
    RebuildProgress* progress_ = nullptr;
    VersionHooks versionHooks_;
    // SaveOnExit's outcome, once it has run.
    std::optional<bool> savedOnExit_;
};

// The one workspace manager of the running program.
extern TProjectManager* ProjectMngr;
