#include "versioning/TVersionManager.h"

#include "catalogue/FolderScanReport.h"
#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TProjects.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "catalogue/VersionListView.h"
#include "platform/DateTimeText.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "platform/UserName.h"
#include "storage/TConfigStreamer.h"
#include "versioning/Filelist.h"
#include "versioning/VersionFolderSync.h"
#include "workspace/TProjectManager.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

TVersionManager* VersionMngr = nullptr;

namespace {

QuorvelError InvalidTypecast() {
    return QuorvelError(QStringLiteral("Invalid class typecast"));
}

// Removes what interrupted work left in folder, and tells the user.
void RemoveAbandonedWork(const QString& folder) {
    FolderScanReport cleanUp;
    for (const QString& removed : FileSystem::RemoveAbandonedWorkFolders(folder))
        cleanUp.Removed(removed);
    if (!cleanUp.Notes().isEmpty())
        User().ShowMessage(cleanUp.Notes());
}

} // namespace

TVersionManager::TVersionManager(VersionListView* AVersionView) : FVersionView(AVersionView) {
    TVersionItem::SetDestroyListener([this](TVersionItem* item) { ItemDestroyed(item); });
}

TVersionManager::~TVersionManager() {
    TVersionItem::SetDestroyListener(nullptr);
}

void TVersionManager::ItemDestroyed(TVersionItem* item) {
    if (FActiveItem == item)
        FActiveItem = nullptr;
    if (FACtiveProject == item)
        FACtiveProject = nullptr;
    if (shownVersion_ == item)
        shownVersion_ = nullptr;
}

TClient* TVersionManager::ActiveClient() const {
    if (auto* client = dynamic_cast<TClient*>(FActiveItem))
        return client;
    if (TProject* project = ActiveProject())
        return dynamic_cast<TClient*>(project->ParentItem());
    return nullptr;
}

TProject* TVersionManager::ActiveProject() const {
    if (auto* project = dynamic_cast<TProject*>(FActiveItem))
        return project;
    if (auto* version = dynamic_cast<TVersion*>(FActiveItem))
        return dynamic_cast<TProject*>(version->ParentItem());
    return nullptr;
}

TVersion* TVersionManager::ActiveVersion() const {
    return dynamic_cast<TVersion*>(FActiveItem);
}

void TVersionManager::SetActiveItem(TVersionItem* Value) {
    if (Value == FActiveItem)
        return;
    FActiveItem = Value;
    if (dynamic_cast<TClient*>(Value))
        return;
    if (auto* project = dynamic_cast<TProject*>(Value)) {
        InstallProject(project);
        return;
    }
    if (auto* version = dynamic_cast<TVersion*>(Value)) {
        if (auto* project = dynamic_cast<TProject*>(version->ParentItem()))
            InstallProject(project);
    }
    DoVersionChanged();
}

void TVersionManager::InstallProject(TProject* AProject) {
    if (AProject == FACtiveProject)
        return;
    FACtiveProject = AProject;
    AProject->LoadData();
    if (!FVersionView)
        return;
    const TVersionItem* client = AProject->ParentItem();
    const QString names = (client ? client->Name() : QString()) + u'-' + AProject->Name();
    FVersionView->SetGroupHeader(0, QStringLiteral("Checked out ") + names);
    FVersionView->SetGroupHeader(1, QStringLiteral("Version(s) ") + names);
    struct UpdateScope {
        VersionListView* view;
        ~UpdateScope() { view->EndUpdate(); }
    };
    FVersionView->BeginUpdate();
    UpdateScope update{FVersionView};
    FVersionView->Clear();
    TVersionCollection* versions = AProject->VersionCollection();
    for (int i = 0; i < versions->Count(); ++i)
        static_cast<TVersion*>(versions->GetItems(i))->AddToView(FVersionView);
    Sort();
}

bool TVersionManager::FollowProjectFolder() {
    TProject* project = FACtiveProject;
    if (!project)
        return true;
    const bool versionWasActive = ActiveVersion() != nullptr;
    const bool shown = shownVersion_ != nullptr;
    // Adding a version lets events run: no command may delete the project
    // or replace the catalogue meanwhile.
    ProjectMngr->SetEditing(true);
    const auto done = qScopeGuard([] { ProjectMngr->SetEditing(false); });
    const VersionFolderSync::Result result = VersionFolderSync::Reconcile(*project, FVersionView);
    if (result.outcome == VersionFolderSync::Outcome::NotNow)
        return false;
    if (!result.Changed())
        return true;
    Sort();
    // The project may have gone while events ran as versions were added.
    if (FACtiveProject != project)
        return true;
    if (versionWasActive && !FActiveItem) {
        project->SetSelected(true);
        SetActiveItem(project);
    }
    AfterRemoval(shown);
    return true;
}

void TVersionManager::Sort() {
    if (FVersionView)
        FVersionView->Sort();
}

void TVersionManager::Clear() {
    if (FVersionView)
        FVersionView->Clear();
    SetActiveItem(nullptr);
}

bool TVersionManager::CanCheckOut() const {
    const TVersion* version = ActiveVersion();
    return version && !version->IsCheckedOut();
}

bool TVersionManager::CanCheckIn() const {
    const TVersion* version = ActiveVersion();
    return version && version->IsCheckedOut();
}

bool TVersionManager::CanImport() const {
    const TVersion* version = ActiveVersion();
    const TProject* project = ActiveProject();
    return version && project && version->Nr() == 1 && project->VersionCollection()->Count() == 1;
}

TVersion* TVersionManager::CheckOut() {
    TVersion* source = ActiveVersion();
    if (!source)
        throw InvalidTypecast();
    source->CheckFolderNames();
    auto* versions = static_cast<TVersions*>(source->ParentCollection());
    const QString projectFolder = source->ParentItem() ? source->ParentItem()->Path() : QString();
    // What an interrupted check-out left here goes first.
    RemoveAbandonedWork(projectFolder);
    const int number = versions->GetNextVersionNr();
    const QString name = QStringLiteral("Version %1").arg(number);
    const QString newFolder = projectFolder + name;
    // A stale catalogue: the copy would land inside the existing folder.
    if (QFileInfo::exists(newFolder)) {
        User().ShowMessage(QStringLiteral("The folder %1 already exists, but the catalogue does "
                                          "not know it. Rebuild the workspace, then check out "
                                          "again.")
                               .arg(newFolder));
        return nullptr;
    }
    // The new version's record goes into the copy before the copy can be
    // seen: a version folder never stands there with another's record.
    TVersion record(versions);
    record.SetParentVersion(source->Name());
    record.SetState(vsCheckedOut);
    TCheckInProperties properties;
    properties.sDatetime = CheckInDateTimeNow();
    properties.sOwner = GetUserFromWindows();
    record.SetEditor(source->Editor());
    record.SetCheckInProperties(properties);
    const QString data = record.DataAsXml();
    QString error;
    const bool copied = CopyFolderAs(source->Path(), newFolder, &error, [&](const QString& folder) {
        TConfigStreamer(folder).WriteXmlString(data);
    });
    if (!copied) {
        User().ShowMessage(
            QStringLiteral("Check out of %1 failed: %2.").arg(source->Name(), error));
        return nullptr;
    }
    auto* version = static_cast<TVersion*>(versions->AddItem());
    version->SetName(name);
    version->SetParentVersion(record.ParentVersion());
    version->SetState(record.State());
    version->SetEditor(record.Editor());
    version->SetCheckInProperties(record.CheckInProperties());
    version->AddToView(FVersionView);
    version->SetVersionSelected(true);
    SetActiveItem(version);
    return version;
}

bool TVersionManager::CheckIn() {
    if (TVersion* version = ActiveVersion())
        version->CheckFolderNames();
    const QString owner = GetUserFromWindows();
    bool checkedIn = false;
    QString description;
    for (;;) {
        const std::optional<QString> answer = User().AskCheckIn(owner, description);
        if (!answer)
            break;
        description = *answer;
        // The data file cannot hold "<": it would cut the text off there.
        if (description.contains(u'<')) {
            User().ShowMessage(QStringLiteral(
                "A check-in description may not contain \"<\". Please change the description."));
            continue;
        }
        TVersion* version = ActiveVersion();
        if (!version) {
            Sort();
            throw InvalidTypecast();
        }
        TCheckInProperties record;
        record.sDatetime = CheckInDateTimeNow();
        record.sOwner = owner;
        record.sDescription = description;
        const TCheckInProperties before = version->CheckInProperties();
        version->SetCheckInProperties(record);
        version->SetState(vsCheckedIn);
        try {
            version->WriteData();
        } catch (const QuorvelError&) {
            // The catalogue must not show a check-in that its file lacks.
            version->SetCheckInProperties(before);
            version->SetState(vsCheckedOut);
            Sort();
            throw;
        }
        DoVersionChanged();
        checkedIn = true;
        break;
    }
    Sort();
    return checkedIn;
}

TVersion* TVersionManager::CheckInCheckOut() {
    return CheckIn() ? CheckOut() : nullptr;
}

bool TVersionManager::UndoCheckOut() {
    TVersion* version = ActiveVersion();
    if (!version)
        throw InvalidTypecast();
    version->CheckFolderNames();
    if (!User().Confirm(QStringLiteral("This will removed %1, from your system are you sure?")
                            .arg(version->Name())))
        return false;
    const QString folder = version->Path();
    if (!FileSystem::FolderExists(folder))
        throw QuorvelError(QStringLiteral("The specified path was not found"));
    const bool removed = FileSystem::RemoveTreeWholly(folder);
    if (!removed) {
        User().ShowMessage(QStringLiteral("Not everything in %1 could be deleted.")
                               .arg(FileSystem::WithoutTrailingSeparator(folder)));
    }
    TVersionItem* project = version->ParentItem();
    const bool shown = shownVersion_ != nullptr;
    version->ParentCollection()->DelItem(version);
    // The listed project is active again, and its node is the one the tree
    // shows selected: the commands act on what is highlighted.
    if (project) {
        project->SetSelected(true);
        SetActiveItem(project);
    }
    AfterRemoval(shown);
    return removed;
}

TVersionItem* TVersionManager::NewClient() {
    return ProjectMngr->Clients()->AddNewItem();
}

TVersionItem* TVersionManager::NewProject() {
    TClient* client = ActiveClient();
    return client ? static_cast<TProjects*>(client->VersionCollection())->AddNewItem() : nullptr;
}

bool TVersionManager::RenameClient() {
    TClient* client = ActiveClient();
    return client && client->Rename();
}

bool TVersionManager::RenameProject() {
    TProject* project = ActiveProject();
    return project && project->Rename();
}

bool TVersionManager::DelClient() {
    TClient* client = ActiveClient();
    if (!client)
        return false;
    const bool shown = shownVersion_ != nullptr;
    const bool removed = static_cast<TClients*>(client->ParentCollection())->RemoveItem(client);
    AfterRemoval(shown);
    return removed;
}

bool TVersionManager::DelProject() {
    TProject* project = ActiveProject();
    if (!project)
        return false;
    const bool shown = shownVersion_ != nullptr;
    const bool removed = static_cast<TProjects*>(project->ParentCollection())->RemoveItem(project);
    AfterRemoval(shown);
    return removed;
}

void TVersionManager::AfterRemoval(bool versionWasShown) {
    // The details panel must not keep showing a version that is gone, and
    // keeps showing one that is still there.
    if (versionWasShown && !shownVersion_)
        DoVersionChanged();
}

void TVersionManager::DoVersionChanged() {
    shownVersion_ = ActiveVersion();
    if (FOnVersionChanged)
        FOnVersionChanged(this);
}

bool TVersionManager::ImportFromFolder(const QString& AFolder) {
    try {
        TVersion* version = ActiveVersion();
        if (!version)
            throw QuorvelError(QStringLiteral("There is no active version."));
        version->CheckFolderNames();
        const QString target = version->Path();
        const QString source = QDir::cleanPath(AFolder) + u'/';
        const QString targetClean = QDir::cleanPath(target) + u'/';
        // A folder copied into itself would never end.
        if (targetClean.startsWith(source) || source.startsWith(targetClean))
            throw QuorvelError(QStringLiteral("a folder cannot be copied into itself"));
        // What an interrupted import left in the version goes first.
        RemoveAbandonedWork(target);
        const QString programData = AFolder + QStringLiteral("Program Data/");
        bool copied;
        if (FileSystem::FolderExists(programData)) {
            copied = CopyFiles(programData, target);
            copied = CopyFiles(AFolder + QStringLiteral("Corvane Projects/"), target) && copied;
        } else {
            copied = CopyFiles(AFolder, target);
        }
        if (!copied)
            throw QuorvelError(QStringLiteral("not everything could be copied"));
        User().ShowMessage(QStringLiteral("Import succeeded"));
        return true;
    } catch (const QuorvelError& error) {
        User().ShowMessage(QStringLiteral("Import from folder %1 failed with message %2.")
                               .arg(AFolder, error.Message()));
        return false;
    }
}
