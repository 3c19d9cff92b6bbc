#pragma once

#include <QString>
#include <functional>

class TClient;
class TEditor;
class TProject;
class TVersion;
class TVersionItem;
class VersionListView;

// Follows the user's selection (the active item), lists the versions of
// the selected project and runs the version, client and project commands.
class TVersionManager {
public:
    using TVersionChangedEvent = std::function<void(TVersionManager* Sender)>;

    // AVersionView may be null: then nothing is listed.
    explicit TVersionManager(VersionListView* AVersionView);
    ~TVersionManager();
    TVersionManager(const TVersionManager&) = delete;
    TVersionManager& operator=(const TVersionManager&) = delete;

    TVersionItem* ActiveItem() const { return FActiveItem; }
    void SetActiveItem(TVersionItem* Value);
    TClient* ActiveClient() const;
    TProject* ActiveProject() const;
    TVersion* ActiveVersion() const;
    // The project whose versions the list shows.
    TProject* InstalledProject() const { return FACtiveProject; }

    void SetOnVersionChanged(TVersionChangedEvent Value) { FOnVersionChanged = std::move(Value); }
    // Raised whenever another item (or none) becomes the active item.
    void SetOnActiveItemChanged(TVersionChangedEvent Value) {
        FOnActiveItemChanged = std::move(Value);
    }

    void InstallProject(TProject* AProject);
    // Makes the listed project's versions and the list follow its version
    // folders after changes outside the program (see VersionFolderSync).
    // The selected version stays selected while its folder is there; when
    // the active version went, its project becomes the active item. False
    // when it could not be done now (a version is being made) and should
    // be tried again later.
    bool FollowProjectFolder();
    void Sort();
    void Clear();

    // Each command returns what it did, for those who need to know (the
    // command-line tool); the window goes by what it shows.
    // The new version, or null when none was made.
    TVersion* CheckOut();
    // True when the version was checked in.
    bool CheckIn();
    // The new version when the check-in and the check-out were both made.
    TVersion* CheckInCheckOut();
    // True when the version and all of its folder are gone.
    bool UndoCheckOut();

    // The new client or project, or null.
    TVersionItem* NewClient();
    TVersionItem* NewProject();
    // True when the item has its new name.
    bool RenameClient();
    bool RenameProject();
    // True when the item left the catalogue and its folder went to the trash.
    bool DelClient();
    bool DelProject();

    void DoVersionChanged();

    enum class EditorStart { Started, Refused, NotStarted };
    // "Open In": the active version, when it is still checked out on disk,
    // gets the editor in its data file, and the editor is started on it
    // (the program waits for it). Refused, with the user told, when the
    // version changed meanwhile.
    EditorStart OpenInEditor(TEditor* editor);
    // Copies AFolder (ending with "/") into the active version's folder.
    // True when everything was copied.
    bool ImportFromFolder(const QString& AFolder);

    // When each command is offered.
    bool HasActiveClient() const { return ActiveClient() != nullptr; }
    bool HasActiveProject() const { return ActiveProject() != nullptr; }
    bool CanCheckOut() const;
    // Check in, check in/check out and undo check-out.
    bool CanCheckIn() const;
    bool CanImport() const;
    // The editor menu ("Open In"): a checked-out version.
    bool CanOpenInEditor() const { return CanCheckIn(); }

    // Follows what other programs did to the workspace since the last look
    // (see TProjectManager::FollowOtherPrograms): the listed project's data
    // files are read again, the list and the details follow. True when
    // anything may have changed. Does nothing while the catalogue is busy.
    bool FollowWorkspace();
    // A version another program made appeared in the catalogue: it gets
    // its row when its project is listed.
    void VersionAppeared(TVersion* version);

private:
    void ItemDestroyed(TVersionItem* item);
    // Under the workspace lock: true when the version's folder and data
    // file still say what the user was shown; otherwise the list and the
    // details show what they say now, and the user is told.
    bool StillAsShown(TVersion* version);
    bool RenameItem(TVersionItem* item);
    bool DeleteItem(TVersionItem* item);
    // After a command removed things: the details follow what is left.
    void AfterRemoval(bool versionWasShown);

    TVersionItem* FActiveItem = nullptr;
    TProject* FACtiveProject = nullptr;
    // The version whose details the window shows: the active version when
    // the event was last raised. None once that version is destroyed.
    TVersion* shownVersion_ = nullptr;
    VersionListView* FVersionView;
    TVersionChangedEvent FOnVersionChanged;
    TVersionChangedEvent FOnActiveItemChanged;
};

// The one version manager of the running program.
extern TVersionManager* VersionMngr;
