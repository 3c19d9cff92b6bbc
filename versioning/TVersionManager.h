#pragma once

#include <QString>
#include <functional>

class TClient;
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

private:
    void ItemDestroyed(TVersionItem* item);
    // After a command removed things: the details follow what is left.
    void AfterRemoval(bool versionWasShown);

    TVersionItem* FActiveItem = nullptr;
    TProject* FACtiveProject = nullptr;
    // The version whose details the window shows: the active version when
    // the event was last raised. None once that version is destroyed.
    TVersion* shownVersion_ = nullptr;
    VersionListView* FVersionView;
    TVersionChangedEvent FOnVersionChanged;
};

// The one version manager of the running program.
extern TVersionManager* VersionMngr;
