#include "workspace/TProjectManager.h"

#include "catalogue/CatalogueMerge.h"
#include "catalogue/CatalogueTreeView.h"
#include "catalogue/FolderScanReport.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TextFileEncoder.h"
#include "platform/UserInterface.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"
#include "workspace/RebuildProgress.h"
#include "workspace/WorkspaceChange.h"
#include "workspace/WorkspaceLock.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

TProjectManager* ProjectMngr = nullptr;

namespace {

// Sets a flag for as long as it lives, also when an error leaves the scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

// What another program's catalogue is read into: it has no tree.
class ScratchOwner final : public CatalogueOwner {
public:
    explicit ScratchOwner(QString workspace) : workspace_(std::move(workspace)) {}
    QString WorkSpace() const override { return workspace_; }
    CatalogueTreeView* TreeView() const override { return nullptr; }

private:
    QString workspace_;
};

// Raises QuorvelError for a path that may not be a workspace: the root of
// the file system, where every folder of the machine would count as a
// client and a new client would be made at the top, or a file.
void RefuseUnusableWorkspace(const QString& path) {
    if (path.isEmpty())
        return;
    const QFileInfo info(FileSystem::WithoutTrailingSeparator(path));
    // ".." or a link may lead there too.
    const QString canonical = info.canonicalFilePath();
    if (QDir(QDir::cleanPath(info.absoluteFilePath())).isRoot() ||
        (!canonical.isEmpty() && QDir(canonical).isRoot())) {
        throw QuorvelError(QStringLiteral("The root folder %1 can not be a workspace: every folder "
                                          "on the disk would be taken for a client. Please select "
                                          "another workspace.")
                               .arg(path));
    }
    if (info.exists() && !info.isDir()) {
        throw QuorvelError(QStringLiteral("%1 is a file, not a folder, so it can not be a "
                                          "workspace. Please select another workspace.")
                               .arg(info.filePath()));
    }
}

} // namespace

TProjectManager::TProjectManager() {
    FClients = NewClients(true);
    FEditors = std::make_unique<TProjectEditors>();
    FEditors->SetOnEditorClick([this](TEditor* editor) { DoEditorClick(editor); });
}

TProjectManager::~TProjectManager() {
    SaveOnExit();
    // The catalogue first: a window may still name the editor of a version
    // shown while the versions go.
    FClients.reset();
    FEditors.reset();
    lock_.reset();
}

bool TProjectManager::SaveOnExit() noexcept {
    if (savedOnExit_)
        return *savedOnExit_;
    bool saved = true;
    try {
        SaveProject();
    } catch (const QuorvelError& error) {
        User().ShowError(error.Message());
        saved = false;
    }
    try {
        if (!readOnly_)
            FEditors->WriteIni();
    } catch (const QuorvelError& error) {
        User().ShowError(error.Message());
        saved = false;
    }
    savedOnExit_ = saved;
    return saved;
}

std::unique_ptr<TClients> TProjectManager::NewClients(bool withChangeHandler) {
    auto clients = std::make_unique<TClients>(this);
    if (withChangeHandler) {
        clients->SetOnChanged([this](TVersionCollection* sender, TVersionItem* item,
                                     ChangeKind kind) { OnChanged(sender, item, kind); });
    }
    return clients;
}

void TProjectManager::SetTreeView(CatalogueTreeView* Value) {
    FTreeView = Value;
    if (FTreeView)
        FTreeView->DeleteAllNodes();
}

void TProjectManager::SetWorkSpace(const QString& Value) {
    if (Value == FWorkSpace)
        return;
    if (Busy()) {
        throw QuorvelError(
            QStringLiteral("The workspace is still being read; open %1 when that has finished.")
                .arg(Value));
    }
    RefuseUnusableWorkspace(Value);
    if (!SaveBeforeLeaving(Value))
        return;
    if (!FileSystem::FolderExists(Value)) {
        QString reason;
        if (!FileSystem::MakePath(Value, &reason)) {
            throw QuorvelError(QStringLiteral("can not create workspace ") + Value +
                               QStringLiteral(", please select another workspace."));
        }
    }
    Open(Value);
}

bool TProjectManager::SaveBeforeLeaving(const QString& next) {
    try {
        // The save lets events run: nothing may change the catalogue then.
        FlagScope saving(loading_);
        SaveProject();
        return true;
    } catch (const QuorvelError& error) {
        // Nothing else is lost: a rebuild reads the catalogue from the folders.
        return User().Confirm(QStringLiteral("The catalogue of workspace %1 could not be saved:\r"
                                             "%2\rOpen workspace %3 all the same?")
                                  .arg(FWorkSpace, error.Message(), next));
    }
}

TProjectManager::OpenWorkspace TProjectManager::TakeOpenWorkspace() {
    OpenWorkspace open;
    open.workspace = std::exchange(FWorkSpace, QString());
    open.saved = std::exchange(savedCatalogue_, std::nullopt);
    open.lock = std::move(lock_);
    open.seenGeneration = seenGeneration_;
    open.stamp = std::exchange(catalogueStamp_, std::nullopt);
    open.incomplete = std::exchange(catalogueIncomplete_, false);
    return open;
}

void TProjectManager::PutBack(OpenWorkspace&& left) {
    FWorkSpace = std::move(left.workspace);
    savedCatalogue_ = std::move(left.saved);
    lock_ = std::move(left.lock);
    seenGeneration_ = left.seenGeneration;
    catalogueStamp_ = std::move(left.stamp);
    catalogueIncomplete_ = left.incomplete;
}

void TProjectManager::Open(const QString& Value) {
    OpenWorkspace left = TakeOpenWorkspace();
    const bool nothingLeft = left.workspace.isEmpty();
    FWorkSpace = Value;
    seenGeneration_ = WorkspaceLock::Generation(FWorkSpace);
    const quint64 generation = catalogueGeneration_;
    try {
        TConfigStreamer streamer(FWorkSpace);
        // Taken before the file is read: a file replaced meanwhile is then
        // followed at the next look instead of being missed.
        catalogueStamp_ = FileStamp::Of(streamer.FileName());
        if (streamer.ConfigExist()) {
            if (LoadCatalogue(streamer, nothingLeft))
                return;
            // Not a catalogue, or only part of one (empty, cut off, another
            // program's file): it says nothing sure of the workspace, so the
            // folders are read, as when there is no file.
            User().ShowInformation(
                QStringLiteral("The catalogue file %1 holds no catalogue or only part of one, "
                               "so the workspace is read from its folders.")
                    .arg(streamer.FileName()));
        }
        Refresh();
    } catch (...) {
        // Until its catalogue has been replaced, the workspace being left
        // is still the open one.
        if (catalogueGeneration_ == generation)
            PutBack(std::move(left));
        throw;
    }
}

bool TProjectManager::LoadCatalogue(const TConfigStreamer& streamer, bool keepPart) {
    FlagScope loading(loading_);
    const auto letEventsRun = [this] { LetEventsRun(); };
    // Read aside, without nodes: the catalogue shown stays in the tree
    // until this one is whole.
    std::unique_ptr<TClients> shown = std::move(FClients);
    CatalogueTreeView* tree = std::exchange(FTreeView, nullptr);
    FClients = NewClients(false);
    FileFingerprint read;
    bool whole = false;
    try {
        const std::unique_ptr<TSimpleXmlParser> parser =
            streamer.ReadParser([&read](QByteArrayView part) { read.Add(part); }, letEventsRun);
        whole = FClients->ReadFromXml(*parser);
        // The fingerprint is of the whole file, also past the catalogue.
        if (whole)
            parser->ReadRest();
    } catch (const QuorvelError&) {
        FTreeView = tree;
        if (!keepPart) {
            FClients->Clear(letEventsRun);
            FClients = std::move(shown);
            throw;
        }
        // What was read is only part of the file: saving it would replace
        // the file with that part. A rebuild writes it afresh.
        ReplaceShown(std::move(shown));
        catalogueIncomplete_ = true;
        throw;
    }
    FTreeView = tree;
    if (!whole) {
        FClients->Clear(letEventsRun);
        FClients = std::move(shown);
        return false;
    }
    ReplaceShown(std::move(shown));
    savedCatalogue_ = read;
    return true;
}

void TProjectManager::ReplaceShown(std::unique_ptr<TClients> shown) {
    std::unique_ptr<TClients> next = std::exchange(FClients, std::move(shown));
    DiscardCatalogue();
    FClients = std::move(next);
    if (!FTreeView)
        return;
    for (int i = 0; i < FClients->Count(); ++i) {
        TVersionItem* client = FClients->GetItems(i);
        client->AddToTree(FTreeView, nullptr);
        const TVersionCollection* projects = client->VersionCollection();
        for (int j = 0; j < projects->Count(); ++j)
            projects->GetItems(j)->AddToTree(FTreeView, client->GetTreeNode());
        LetEventsRun();
    }
}

void TProjectManager::Refresh() {
    // Without a workspace there is no folder to read: "" would be taken as
    // the current folder, or the file system's root.
    if (Busy() || FWorkSpace.isEmpty())
        return;
    FolderScanReport report(!readOnly_);
    // What the folders hold is what is saved: nobody may change them or
    // the file in between, and the file's old picture is not followed.
    std::optional<WorkspaceChange> change;
    if (!readOnly_ && FileSystem::FolderExists(FWorkSpace))
        change.emplace(*this, WorkspaceChange::Follow::No);
    {
        FlagScope refreshing(FRefreshActive);
        catalogueIncomplete_ = false;
        DiscardCatalogue();
        FClients = NewClients(true);
        try {
            FClients->ReadFromRoot(FWorkSpace, &report);
        } catch (const QuorvelError& error) {
            report.Failed(error.Message());
        }
        if (report.HasErrors()) {
            // What could not be read is missing from this catalogue; the
            // file keeps what it knew until a rebuild reads everything.
            catalogueIncomplete_ = true;
            if (progress_)
                progress_->DoError(report.Errors().join(u'\n'));
        }
        SaveProject();
    }
    change.reset();
    const QString notes = report.Notes();
    if (!notes.isEmpty())
        User().ShowInformation(notes);
}

void TProjectManager::DiscardCatalogue() {
    ++catalogueGeneration_;
    if (versionHooks_.catalogueDiscarded)
        versionHooks_.catalogueDiscarded();
    // A large catalogue takes a while to take apart: events run between
    // its clients.
    FClients->Clear([this] { LetEventsRun(); });
    FClients.reset();
}

void TProjectManager::SaveProject() {
    if (readOnly_ || !FileSystem::FolderExists(FWorkSpace) || catalogueIncomplete_)
        return;
    const TConfigStreamer streamer(FWorkSpace);
    const auto letEventsRun = [this] { LetEventsRun(); };
    std::optional<WorkspaceChange> change;
    if (!WorkspaceLocked()) {
        // Nothing changed here nor there: nothing is written, and the
        // workspace is not even locked.
        if (savedCatalogue_ && catalogueStamp_ &&
            FileStamp::Of(streamer.FileName()) == catalogueStamp_ &&
            *savedCatalogue_ == FingerprintOf(CatalogueFileBytes(letEventsRun), letEventsRun))
            return;
        change.emplace(*this, WorkspaceChange::Follow::Yes);
    }
    const QByteArray bytes = CatalogueFileBytes(letEventsRun);
    const FileFingerprint fingerprint = FingerprintOf(bytes, letEventsRun);
    if (savedCatalogue_ && *savedCatalogue_ == fingerprint && streamer.ConfigExist())
        return;
    // What a save that was cut off left is removed, and the user told.
    FolderScanReport cleanUp;
    for (const QString& removed :
         FileSystem::RemoveAbandonedSaveTemporaries(FWorkSpace, TConfigStreamer::ConfigFileName()))
        cleanUp.Removed(removed);
    if (!cleanUp.Notes().isEmpty())
        User().ShowInformation(cleanUp.Notes());
    streamer.WriteFileBytes(bytes, letEventsRun);
    savedCatalogue_ = fingerprint;
    catalogueStamp_ = FileStamp::Of(streamer.FileName());
    changedUnderLock_ = true;
}

QString TProjectManager::CatalogueFileName() const {
    return TConfigStreamer(FWorkSpace).FileName();
}

void TProjectManager::LockWorkspace(bool follow) {
    if (lockDepth_ > 0) {
        ++lockDepth_;
        return;
    }
    if (!lock_)
        lock_ = std::make_unique<WorkspaceLock>(FWorkSpace);
    lock_->Acquire();
    lockDepth_ = 1;
    changedUnderLock_ = false;
    if (!follow)
        return;
    try {
        FollowCatalogueFile();
    } catch (...) {
        UnlockWorkspace(false);
        throw;
    }
}

void TProjectManager::UnlockWorkspace(bool changed) {
    if (lockDepth_ == 0)
        return;
    changedUnderLock_ = changedUnderLock_ || changed;
    if (--lockDepth_ > 0)
        return;
    lock_->Release(changedUnderLock_);
    // This program's own change is nothing to follow.
    if (changedUnderLock_)
        seenGeneration_ = WorkspaceLock::Generation(FWorkSpace);
    changedUnderLock_ = false;
}

bool TProjectManager::FollowCatalogueFile() {
    if (FWorkSpace.isEmpty())
        return false;
    const TConfigStreamer streamer(FWorkSpace);
    const std::optional<FileStamp> stamp = FileStamp::Of(streamer.FileName());
    // A file that is gone holds nothing to follow; the next save makes it.
    if (!stamp || stamp == catalogueStamp_)
        return false;
    FlagScope following(following_);
    const auto letEventsRun = [this] { LetEventsRun(); };
    ScratchOwner owner(FWorkSpace);
    TClients other(&owner);
    FileFingerprint read;
    bool whole = false;
    try {
        const std::unique_ptr<TSimpleXmlParser> parser =
            streamer.ReadParser([&read](QByteArrayView part) { read.Add(part); }, letEventsRun);
        whole = other.ReadFromXml(*parser);
        // The fingerprint is of the whole file, also past the catalogue.
        if (whole)
            parser->ReadRest();
    } catch (const QuorvelError&) {
        whole = false;
    }
    catalogueStamp_ = stamp;
    // A file that holds no whole catalogue says nothing sure: what this
    // program holds stays, and its next save writes it.
    if (!whole) {
        other.Clear(letEventsRun);
        return false;
    }
    CatalogueMerge::Follow(*FClients, other, versionHooks_.versionAdded, letEventsRun);
    // A large scratch catalogue takes a while to take apart.
    other.Clear(letEventsRun);
    savedCatalogue_ = read;
    return true;
}

bool TProjectManager::FollowOtherPrograms() {
    if (Busy() || WorkspaceLocked() || FWorkSpace.isEmpty())
        return false;
    const quint64 generation = WorkspaceLock::Generation(FWorkSpace);
    const bool followed = FollowCatalogueFile();
    const bool othersChanged = generation != seenGeneration_;
    seenGeneration_ = generation;
    return followed || othersChanged;
}

QByteArray TProjectManager::CatalogueFileBytes(const std::function<void()>& betweenParts) const {
    // The text becomes bytes a part at a time: at a million versions it
    // would be some 80 MB more to hold, and one long wait.
    constexpr qsizetype partChars = 64 * 1024;
    TextFileEncoder encoder(savedCatalogue_ ? savedCatalogue_->Size() : 0);
    QString part;
    FClients->AppendXml(part, [&] {
        if (part.size() < partChars)
            return;
        encoder.Add(part);
        // Keeps its room for the next part.
        part.resize(0);
        betweenParts();
    });
    encoder.Add(part);
    return TConfigStreamer::FinishFileBytes(encoder);
}

FileFingerprint TProjectManager::FingerprintOf(const QByteArray& bytes,
                                               const std::function<void()>& betweenParts) {
    constexpr qsizetype part = qsizetype(1) << 20;
    FileFingerprint fingerprint;
    for (qsizetype at = 0; at < bytes.size(); at += part) {
        fingerprint.Add(QByteArrayView(bytes).sliced(at, std::min(part, bytes.size() - at)));
        betweenParts();
    }
    return fingerprint;
}

void TProjectManager::LetEventsRun() const {
    // Only while every command keeps off the catalogue.
    if (Busy())
        User().ProcessPendingEvents();
}

void TProjectManager::OnChanged(TVersionCollection*, TVersionItem* ChangedItem,
                                ChangeKind TypeOfChange) {
    FLastAction = TypeOfChange;
    if (FRefreshActive && TypeOfChange == ChangeKind::ItemdEdited && progress_)
        progress_->ItemAdded(this, ChangedItem);
}

void TProjectManager::DoEditorClick(TEditor* Sender) {
    if (!Sender || !versionHooks_.activeVersion || !versionHooks_.openInEditor)
        return;
    TVersion* version = versionHooks_.activeVersion();
    if (!version)
        return;
    const QString folder = version->Path();
    // A program that did not start is a failure the user must hear of.
    if (!versionHooks_.openInEditor(Sender))
        User().ShowMessage(TEditor::ExecuteErrorText(folder, Sender->Name()));
}
