#include "workspace/TProjectManager.h"

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

#include <algorithm>

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

} // namespace

TProjectManager::TProjectManager() {
    FClients = NewClients(true);
    FEditors = std::make_unique<TProjectEditors>();
    FEditors->SetOnEditorClick([this](TEditor* editor) { DoEditorClick(editor); });
}

TProjectManager::~TProjectManager() {
    SaveOnExit();
    FEditors.reset();
    FClients.reset();
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
    {
        // The save lets events run: nothing may change the catalogue then.
        FlagScope saving(loading_);
        SaveProject();
    }
    if (!FileSystem::FolderExists(Value)) {
        QString reason;
        // The old catalogue stays open, so its path must stay too.
        if (!FileSystem::MakePath(Value, &reason)) {
            throw QuorvelError(QStringLiteral("can not create workspace ") + Value +
                               QStringLiteral(", please select another workspace."));
        }
    }
    FWorkSpace = Value;
    savedCatalogue_.reset();
    TConfigStreamer streamer(FWorkSpace);
    if (!streamer.ConfigExist()) {
        Refresh();
        return;
    }
    {
        FlagScope loading(loading_);
        DiscardCatalogue();
        FClients = NewClients(false);
        catalogueIncomplete_ = false;
        try {
            const auto letEventsRun = [this] { LetEventsRun(); };
            FileFingerprint read;
            const std::unique_ptr<TSimpleXmlParser> parser =
                streamer.ReadParser([&read](QByteArrayView part) { read.Add(part); }, letEventsRun);
            if (FClients->ReadFromXml(*parser)) {
                savedCatalogue_ = read;
                return;
            }
        } catch (const QuorvelError&) {
            // What was read is only part of the file: saving it would replace
            // the file with that part. A rebuild writes it afresh.
            catalogueIncomplete_ = true;
            throw;
        }
    }
    // Not a catalogue, or only part of one (empty, cut off, another
    // program's file): it says nothing sure of the workspace, so the
    // folders are read, as when there is no file.
    User().ShowMessage(
        QStringLiteral("The catalogue file %1 holds no catalogue or only part of one, "
                       "so the workspace is read from its folders.")
            .arg(streamer.FileName()));
    Refresh();
}

void TProjectManager::Refresh() {
    // Without a workspace there is no folder to read: "" would be taken as
    // the current folder, or the file system's root.
    if (Busy() || FWorkSpace.isEmpty())
        return;
    FolderScanReport report(!readOnly_);
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
    const QString notes = report.Notes();
    if (!notes.isEmpty())
        User().ShowMessage(notes);
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
    const QByteArray bytes = CatalogueFileBytes(letEventsRun);
    const FileFingerprint fingerprint = FingerprintOf(bytes, letEventsRun);
    // Nothing changed: nothing is written.
    if (savedCatalogue_ && *savedCatalogue_ == fingerprint && streamer.ConfigExist())
        return;
    streamer.WriteFileBytes(bytes, letEventsRun);
    savedCatalogue_ = fingerprint;
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
    if (!Sender || !versionHooks_.activeVersion)
        return;
    TVersion* version = versionHooks_.activeVersion();
    // A program that did not start is a failure the user must hear of.
    if (version && !Sender->Execute(version))
        User().ShowMessage(TEditor::ExecuteErrorText(version->Path(), Sender->Name()));
}
