#include "versioning/TVersionManager.h"

#include "catalogue/FolderScanReport.h"
#include "catalogue/ItemPath.h"
#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TProjects.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "catalogue/VersionListView.h"
#include "catalogue/VersionOnDisk.h"
#include "editors/TEditor.h"
#include "platform/DateTimeText.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "platform/UserName.h"
#include "storage/TConfigStreamer.h"
#include "versioning/Filelist.h"
#include "versioning/VersionFolderSync.h"
#include "workspace/CatalogueNotSaved.h"
#include "workspace/TProjectManager.h"
#include "workspace/WorkspaceChange.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

TVersionManager* VersionMngr = nullptr;

namespace {

QuorvelError InvalidTypecast() {
    return QuorvelError(QStringLiteral("Invalid class typecast"));
}

// Removes what interrupted work left in each folder (copies being made,
// temporaries of a data file's save), and tells the user.
void RemoveAbandonedWork(const QStringList& folders) {
    FolderScanReport cleanUp;
    for (const QString& folder : folders) {
        for (const QString& removed : FileSystem::RemoveAbandonedWorkFolders(folder))
            cleanUp.Removed(removed);
        for (const QString& removed :
             FileSystem::RemoveAbandonedSaveTemporaries(folder, TConfigStreamer::ConfigFileName()))
            cleanUp.Removed(removed);
    }
    if (!cleanUp.Notes().isEmpty())
        User().ShowInformation(cleanUp.Notes());
}

// The project's folder and those of its checked-out versions: where a
// check-out, check-in or "Open In" that was cut off leaves its work.
QStringList WorkFoldersOf(const TVersionItem* project) {
    QStringList folders{project->Path()};
    const TVersionCollection* versions = project->VersionCollection();
    for (int i = 0; i < versions->Count(); ++i) {
        const TVersionItem* version = versions->GetItems(i);
        if (version->IsCheckedOut() && version->HasSafeFolderNames())
            folders << version->Path();
    }
    return folders;
}

QString GoneText(const ItemPath& path) {
    return QStringLiteral("%1 is no longer in the workspace (deleted or renamed meanwhile); "
                          "nothing was changed.")
        .arg(path.Text());
}

// The item again, in the catalogue as it is now (it follows what other
// programs did); null, with the user told, when it is gone.
template <typename Item> Item* FindAgain(const ItemPath& path) {
    auto* item = dynamic_cast<Item*>(path.Find(ProjectMngr->Clients()));
    if (!item)
        User().ShowMessage(GoneText(path));
    return item;
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
    if (auto* project = dynamic_cast<TProject*>(Value)) {
        InstallProject(project);
        // The details never show a version of a project the list does not.
        if (shownVersion_ && shownVersion_->ParentItem() != project)
            DoVersionChanged();
    } else if (!dynamic_cast<TClient*>(Value)) {
        if (auto* version = dynamic_cast<TVersion*>(Value)) {
            if (auto* project = dynamic_cast<TProject*>(version->ParentItem()))
                InstallProject(project);
        }
        DoVersionChanged();
    }
    if (FOnActiveItemChanged)
        FOnActiveItemChanged(this);
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

bool TVersionManager::FollowWorkspace() {
    if (!ProjectMngr->FollowOtherPrograms())
        return false;
    TProject* project = FACtiveProject;
    if (!project)
        return true;
    const TVersion* shown = shownVersion_;
    const QString shownBefore = shown ? shown->DataAsXml() : QString();
    // A check-in elsewhere changes only the version's data file.
    TVersionCollection* versions = project->VersionCollection();
    for (int i = 0; i < versions->Count(); ++i) {
        try {
            versions->GetItems(i)->LoadData();
        } catch (const QuorvelError&) {
            // One data file that cannot be read keeps what was read before.
        }
    }
    FollowProjectFolder();
    Sort();
    if (shownVersion_ && shownVersion_ == shown && shown->DataAsXml() != shownBefore)
        DoVersionChanged();
    return true;
}

void TVersionManager::VersionAppeared(TVersion* version) {
    if (version->ParentItem() == FACtiveProject)
        version->AddToView(FVersionView);
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

bool TVersionManager::StillAsShown(TVersion* version) {
    const QString changed = VersionOnDisk::ChangedSinceShown(*version);
    if (changed.isEmpty())
        return true;
    // The window shows what the disk says now.
    Sort();
    if (shownVersion_ == version)
        DoVersionChanged();
    User().ShowMessage(changed);
    return false;
}

TVersion* TVersionManager::CheckOut() {
    TVersion* source = ActiveVersion();
    if (!source)
        throw InvalidTypecast();
    source->CheckFolderNames();
    const ItemPath sourcePath = ItemPath::Of(source);
    const ItemPath projectPath = ItemPath::Of(source->ParentItem());
    // Belongs to no collection: the follow-up may remove the project.
    TVersion record(nullptr);
    {
        WorkspaceChange change(*ProjectMngr);
        source = FindAgain<TVersion>(sourcePath);
        if (!source || !StillAsShown(source))
            return nullptr;
        // What interrupted work left in the project goes first.
        RemoveAbandonedWork(WorkFoldersOf(source->ParentItem()));
        // The number is checked now, though it is taken only when the copy
        // is placed.
        static_cast<TVersions*>(source->ParentCollection())->GetNextVersionNr();
        // The new version's record goes into the copy before the copy can
        // be seen: a version folder never stands there with another's record.
        record.SetParentVersion(source->Name());
        record.SetState(vsCheckedOut);
        TCheckInProperties properties;
        properties.sDatetime = CheckInDateTimeNow();
        properties.sOwner = GetUserFromWindows();
        record.SetEditor(source->Editor());
        record.SetCheckInProperties(properties);
    }
    // The copy is made outside the lock, so that others wait only for its
    // placing; the source is checked in and never changes.
    const QString sourceFolder = source->Path();
    const QString sourceName = source->Name();
    const QString projectFolder = source->ParentItem()->Path();
    const QString data = record.DataAsXml();
    TVersion* made = nullptr;
    QString refusal;
    std::optional<CatalogueNotSaved> notSaved;
    const Publish place = [&](const PlaceAs& placeAs) {
        WorkspaceChange change(*ProjectMngr);
        auto* project = dynamic_cast<TProject*>(projectPath.Find(ProjectMngr->Clients()));
        if (!project || !FileSystem::FolderExists(projectFolder) ||
            project->Path() != projectFolder) {
            refusal = GoneText(projectPath);
            return false;
        }
        auto* versions = static_cast<TVersions*>(project->VersionCollection());
        // Another check-out may have taken the number meanwhile, in this
        // catalogue or only on disk: the next free one is taken.
        QString name;
        for (qint64 number = versions->GetNextVersionNr();; ++number) {
            if (number > std::numeric_limits<int>::max()) {
                throw QuorvelError(
                    QStringLiteral("No version number is left in %1.").arg(projectPath.Text()));
            }
            name = QStringLiteral("Version %1").arg(number);
            if (versions->ItemByName(name))
                continue;
            const int error = placeAs(name, Placing::New);
            if (error == 0)
                break;
            if (error != EEXIST && error != ENOTEMPTY) {
                throw QuorvelError(
                    QStringLiteral("Can not write %1: %2")
                        .arg(projectFolder + name, QString::fromLocal8Bit(std::strerror(error))));
            }
        }
        auto* version = static_cast<TVersion*>(versions->AddItem());
        version->SetName(name);
        version->SetParentVersion(record.ParentVersion());
        version->SetState(record.State());
        version->SetEditor(record.Editor());
        version->SetCheckInProperties(record.CheckInProperties());
        made = version;
        try {
            change.Commit();
        } catch (const CatalogueNotSaved& error) {
            // The version is whole on disk with its record; it stays.
            notSaved.emplace(
                error.Message(),
                QStringLiteral("%1 of %2 was checked out").arg(name, projectPath.Text()));
        }
        return true;
    };
    QString error;
    const bool copied = CopyFolderAs(
        sourceFolder, projectFolder + QStringLiteral("Version"), &error,
        [&](const QString& folder) { TConfigStreamer(folder).WriteXmlString(data); }, place);
    if (!copied) {
        if (!refusal.isEmpty())
            User().ShowMessage(refusal);
        else
            User().ShowMessage(
                QStringLiteral("Check out of %1 failed: %2.").arg(sourceName, error));
        return nullptr;
    }
    if (made->ParentItem() == FACtiveProject)
        made->AddToView(FVersionView);
    made->SetVersionSelected(true);
    SetActiveItem(made);
    if (notSaved)
        throw *notSaved;
    return made;
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
        const ItemPath path = ItemPath::Of(version);
        WorkspaceChange change(*ProjectMngr);
        version = FindAgain<TVersion>(path);
        // Checked in by another meanwhile: that check-in stays as it is.
        if (!version || !StillAsShown(version))
            break;
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
        change.Changed();
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
    const ItemPath path = ItemPath::Of(version);
    WorkspaceChange change(*ProjectMngr);
    version = FindAgain<TVersion>(path);
    // Never a version that is checked in: its work is kept for good.
    if (!version || !StillAsShown(version))
        return false;
    TVersionItem* project = version->ParentItem();
    const bool shown = shownVersion_ != nullptr;
    // To the trash, as a deleted client or project goes: a mistaken Yes
    // can be taken back.
    if (!version->ParentCollection()->TrashItem(version))
        return false;
    // The listed project is active again, and its node is the one the tree
    // shows selected: the commands act on what is highlighted.
    if (project) {
        project->SetSelected(true);
        SetActiveItem(project);
    }
    AfterRemoval(shown);
    change.Commit();
    return true;
}

TVersionItem* TVersionManager::NewClient() {
    const std::optional<QString> name = ProjectMngr->Clients()->AskNewName();
    if (!name)
        return nullptr;
    WorkspaceChange change(*ProjectMngr);
    TClients* clients = ProjectMngr->Clients();
    // Another program may have taken the name meanwhile.
    if (clients->RefuseTakenName(*name))
        return nullptr;
    TVersionItem* client = clients->AddNamedItem(*name);
    if (!client)
        return nullptr;
    client->SetSelected(true);
    change.Commit();
    return client;
}

TVersionItem* TVersionManager::NewProject() {
    TClient* client = ActiveClient();
    if (!client)
        return nullptr;
    const ItemPath path = ItemPath::Of(client);
    const std::optional<QString> name =
        static_cast<TProjects*>(client->VersionCollection())->AskNewName();
    if (!name)
        return nullptr;
    WorkspaceChange change(*ProjectMngr);
    client = FindAgain<TClient>(path);
    if (!client)
        return nullptr;
    auto* projects = static_cast<TProjects*>(client->VersionCollection());
    if (projects->RefuseTakenName(*name))
        return nullptr;
    TVersionItem* project = projects->AddProject(*name);
    if (project)
        change.Commit();
    return project;
}

bool TVersionManager::RenameItem(TVersionItem* item) {
    if (!item)
        return false;
    item->CheckFolderNames();
    const ItemPath path = ItemPath::Of(item);
    std::optional<QString> typed;
    for (;;) {
        const std::optional<QString> newName = item->AskNewName(typed);
        if (!newName)
            return false;
        // The name it has: nothing changes and nothing is written.
        if (*newName == item->Name())
            return true;
        typed = newName;
        WorkspaceChange change(*ProjectMngr);
        item = FindAgain<TVersionItem>(path);
        if (!item)
            return false;
        if (item->ParentCollection()->RefuseTakenName(*newName))
            return false;
        if (item->RenameTo(*newName)) {
            change.Commit();
            return true;
        }
    }
}

bool TVersionManager::RenameClient() {
    return RenameItem(ActiveClient());
}

bool TVersionManager::RenameProject() {
    return RenameItem(ActiveProject());
}

bool TVersionManager::DeleteItem(TVersionItem* item) {
    if (!item)
        return false;
    item->CheckFolderNames();
    if (!User().Confirm(item->ParentCollection()->RemoveQuestion(item)))
        return false;
    const ItemPath path = ItemPath::Of(item);
    WorkspaceChange change(*ProjectMngr);
    item = FindAgain<TVersionItem>(path);
    if (!item)
        return false;
    const bool shown = shownVersion_ != nullptr;
    TVersionItem* client = item->ParentItem();
    if (!item->ParentCollection()->TrashItem(item))
        return false;
    // A deleted project's client is the active item, highlighted in the
    // tree; after a client nothing is.
    if (client) {
        client->SetSelected(true);
        SetActiveItem(client);
    }
    AfterRemoval(shown);
    change.Commit();
    return true;
}

bool TVersionManager::DelClient() {
    return DeleteItem(ActiveClient());
}

bool TVersionManager::DelProject() {
    return DeleteItem(ActiveProject());
}

void TVersionManager::AfterRemoval(bool versionWasShown) {
    // The details panel must not keep showing a version that is gone, and
    // keeps showing one that is still there.
    if (versionWasShown && !shownVersion_)
        DoVersionChanged();
}

TVersionManager::EditorStart TVersionManager::OpenInEditor(TEditor* editor) {
    TVersion* version = ActiveVersion();
    if (!version || !editor)
        return EditorStart::Refused;
    version->CheckFolderNames();
    const ItemPath path = ItemPath::Of(version);
    {
        WorkspaceChange change(*ProjectMngr);
        version = FindAgain<TVersion>(path);
        if (!version || !StillAsShown(version))
            return EditorStart::Refused;
        editor->Assign(version);
        change.Changed();
    }
    // The details name the editor now in its data file.
    if (shownVersion_ == version)
        DoVersionChanged();
    // The editor runs as long as the user likes: the lock is not held.
    return editor->Execute(version->Path()) ? EditorStart::Started : EditorStart::NotStarted;
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
        const ItemPath path = ItemPath::Of(version);
        const auto findTarget = [this, &path] {
            auto* found = dynamic_cast<TVersion*>(path.Find(ProjectMngr->Clients()));
            if (!found)
                throw QuorvelError(GoneText(path));
            SetActiveItem(found);
            // Only into the first version of a project that has no other.
            if (!CanImport()) {
                throw QuorvelError(
                    QStringLiteral("%1 is no longer the only version of its project.")
                        .arg(path.Text()));
            }
            return found;
        };
        QString target;
        QString data;
        {
            WorkspaceChange change(*ProjectMngr);
            version = findTarget();
            target = version->Path();
            // What an interrupted import left goes first: in the project, and
            // in the version, where earlier imports worked.
            RemoveAbandonedWork({version->ParentItem()->Path(), target});
            data = version->DataAsXml();
        }
        const QString source = QDir::cleanPath(AFolder) + u'/';
        const QString targetClean = QDir::cleanPath(target) + u'/';
        // A folder copied into itself would never end.
        if (targetClean.startsWith(source) || source.startsWith(targetClean))
            throw QuorvelError(QStringLiteral("a folder cannot be copied into itself"));
        const QString programData = AFolder + QStringLiteral("Program Data/");
        const QString versionName = FileSystem::WithoutTrailingSeparator(target).section(u'/', -1);
        // The version is made anew beside the old one, from what it held, the
        // import and its record, put on disk, and then takes its place at
        // once: a crash leaves the old version or the whole new one.
        const FillIn fill = [&](const QString& partial) {
            bool copied;
            if (FileSystem::FolderExists(programData)) {
                copied = CopyFiles(programData, partial);
                copied =
                    CopyFiles(AFolder + QStringLiteral("Corvane Projects/"), partial) && copied;
            } else {
                copied = CopyFiles(AFolder, partial);
            }
            if (!copied)
                throw QuorvelError(QStringLiteral("not everything could be copied"));
            if (!PutTreeOnDisk(partial))
                throw QuorvelError(QStringLiteral("the imported files could not be put on disk"));
            TConfigStreamer(partial).WriteXmlString(data);
        };
        QString refusal;
        const Publish place = [&](const PlaceAs& placeAs) {
            WorkspaceChange change(*ProjectMngr);
            try {
                if (findTarget()->Path() != target)
                    throw QuorvelError(GoneText(path));
            } catch (const QuorvelError& error) {
                refusal = error.Message();
                return false;
            }
            const int error = placeAs(versionName, Placing::Replace);
            if (error != 0) {
                throw QuorvelError(QStringLiteral("Can not write %1: %2")
                                       .arg(target, QString::fromLocal8Bit(std::strerror(error))));
            }
            change.Changed();
            return true;
        };
        QString error;
        if (!CopyFolderAs(target, target, &error, fill, place))
            throw QuorvelError(refusal.isEmpty() ? error : refusal);
        User().ShowInformation(QStringLiteral("Import succeeded"));
        return true;
    } catch (const QuorvelError& error) {
        User().ShowMessage(QStringLiteral("Import from folder %1 failed with message %2.")
                               .arg(AFolder, error.Message()));
        return false;
    }
}
