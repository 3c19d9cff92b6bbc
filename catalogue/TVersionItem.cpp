#include "catalogue/TVersionItem.h"

#include "catalogue/CatalogueOwner.h"
#include "catalogue/CatalogueTreeView.h"
#include "catalogue/DataFilesAhead.h"
#include "catalogue/ItemFolders.h"
#include "catalogue/SharedTexts.h"
#include "catalogue/TVersionCollection.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TextRules.h"
#include "platform/UserInterface.h"
#include "storage/DataFileReader.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"

#include <QFileInfo>

namespace {
std::function<void(TVersionItem*)>& DestroyListener() {
    static std::function<void(TVersionItem*)> listener;
    return listener;
}
} // namespace

TVersionItem::TVersionItem(TVersionCollection* AParent) : FParent(AParent) {}

void TVersionItem::SetDestroyListener(std::function<void(TVersionItem*)> listener) {
    DestroyListener() = std::move(listener);
}

TVersionItem::~TVersionItem() {
    if (DestroyListener())
        DestroyListener()(this);
    FVersionCollection.reset();
    if (fTreeNode) {
        if (CatalogueTreeView* tree = FParent ? FParent->TreeView() : nullptr)
            tree->DeleteNode(fTreeNode);
        fTreeNode = nullptr;
    }
}

void TVersionItem::InstallCollection(std::unique_ptr<TVersionCollection> collection) {
    FVersionCollection = std::move(collection);
    if (FVersionCollection && FParent)
        FVersionCollection->SetOnChanged(FParent->OnChanged());
}

void TVersionItem::SetName(const QString& Value) {
    // Version names repeat from project to project; client and project
    // names seldom do.
    FName = FVersionCollection ? Value : SharedTexts::Of(Value);
    if (fTreeNode) {
        if (CatalogueTreeView* tree = FParent->TreeView())
            tree->SetNodeText(fTreeNode, Value);
    }
    User().ProcessPendingEvents();
    if (FParent && FParent->OnChanged())
        FParent->OnChanged()(FParent, this, ChangeKind::ItemdEdited);
}

TVersionItem::VersionData& TVersionItem::Data() {
    if (!fData)
        fData = std::make_unique<VersionData>();
    return *fData;
}

TVersionState TVersionItem::State() const {
    return fData ? fData->FState : vsCheckedIn;
}

void TVersionItem::SetState(TVersionState Value) {
    Data().FState = Value;
    OnStateChange();
}

const QString& TVersionItem::ParentVersion() const {
    static const QString none;
    return fData ? fData->FParentVersion : none;
}

void TVersionItem::SetParentVersion(const QString& Value) {
    Data().FParentVersion = SharedTexts::Of(Value);
}

const QString& TVersionItem::Editor() const {
    static const QString none;
    return fData ? fData->FEditor : none;
}

void TVersionItem::SetEditor(const QString& Value) {
    Data().FEditor = SharedTexts::Of(Value);
}

const TCheckInProperties& TVersionItem::CheckInProperties() const {
    static const TCheckInProperties none;
    return fData ? fData->FCheckInProperties : none;
}

void TVersionItem::SetCheckInProperties(const TCheckInProperties& Value) {
    TCheckInProperties& record = Data().FCheckInProperties;
    record.sDatetime = SharedTexts::Of(Value.sDatetime);
    record.sOwner = SharedTexts::Of(Value.sOwner);
    record.sDescription = Value.sDescription;
}

bool TVersionItem::Selected() const {
    CatalogueTreeView* tree = fTreeNode ? FParent->TreeView() : nullptr;
    return tree && tree->IsNodeSelected(fTreeNode);
}

void TVersionItem::SetSelected(bool Value) {
    CatalogueTreeView* tree = fTreeNode ? FParent->TreeView() : nullptr;
    if (tree && Value)
        tree->SelectNode(fTreeNode);
}

TVersionItem* TVersionItem::ParentItem() const {
    return FParent ? FParent->OwnerItem() : nullptr;
}

QString TVersionItem::Path() const {
    QString own = FName.isEmpty() ? QString() : FName + u'/';
    if (const TVersionItem* parent = ParentItem())
        return parent->Path() + own;
    if (FParent && FParent->RootOwner())
        return FParent->RootOwner()->WorkSpace() + own;
    return own;
}

bool TVersionItem::HasSafeFolderNames() const {
    for (const TVersionItem* item = this; item; item = item->ParentItem()) {
        if (!FileSystem::IsSingleFolderName(item->FName))
            return false;
    }
    return true;
}

void TVersionItem::CheckFolderNames() const {
    for (const TVersionItem* item = this; item; item = item->ParentItem()) {
        if (!FileSystem::IsSingleFolderName(item->FName)) {
            throw QuorvelError(
                QStringLiteral("The catalogue name \"%1\" is not the name of a single folder, so "
                               "its folder was left alone. Rebuild the workspace to read the "
                               "names from the folders again.")
                    .arg(item->FName));
        }
    }
    // A link would take the operation out of the workspace.
    for (const TVersionItem* item = this; item; item = item->ParentItem()) {
        const QString folder = FileSystem::WithoutTrailingSeparator(item->Path());
        if (QFileInfo(folder).isSymLink()) {
            throw QuorvelError(QStringLiteral("The folder %1 is a link to another place, so it was "
                                              "left alone: Quorvel works only on folders inside "
                                              "the workspace.")
                                   .arg(folder));
        }
    }
}

void TVersionItem::LoadData(const UnreadableData& onUnreadable) {
    const TVersionItem* parent = ParentItem();
    const QString parentFolder =
        parent ? parent->Path()
               : (FParent && FParent->RootOwner() ? FParent->RootOwner()->WorkSpace() : QString());
    LoadDataIn(parentFolder, !parent || parent->HasSafeFolderNames(), onUnreadable);
}

void TVersionItem::LoadDataIn(const QString& parentFolder, bool parentSafe,
                              const UnreadableData& onUnreadable, DataFileReader* ahead) {
    // A version's one data file needs no readers; the level below does.
    if (!ahead && FParent && FVersionCollection && !FVersionCollection->DataLoaded()) {
        int index = FParent->Count() - 1;
        while (index >= 0 && FParent->GetItems(index) != this)
            --index;
        if (index >= 0) {
            DataFileReader reader(DataFilesAhead(FParent, parentFolder, parentSafe, 0, index),
                                  &ReadDataFile);
            LoadDataIn(parentFolder, parentSafe, onUnreadable, &reader);
            return;
        }
    }
    // A damaged name would read another folder's data file.
    const bool safe = parentSafe && FileSystem::IsSingleFolderName(FName);
    const QString folder = parentFolder + (FName.isEmpty() ? QString() : FName + u'/');
    if (safe) {
        try {
            const DataFileRecord record = ahead ? ahead->Take(folder) : ReadDataFile(folder);
            TSimpleXmlParser* parser = record.Parser();
            if (const auto* text = std::any_cast<DataText>(&record.prepared))
                TakeDataText(*text);
            else if (parser)
                DataFromXml(*parser);
        } catch (const QuorvelError& error) {
            if (!onUnreadable)
                throw;
            onUnreadable(this, error.Message());
        }
    }
    if (FVersionCollection)
        FVersionCollection->LoadDataIn(folder, safe, onUnreadable, ahead);
}

void TVersionItem::WriteData() {
    CheckFolderNames();
    TConfigStreamer(Path()).WriteXmlString(DataAsXml());
}

bool TVersionItem::Rename() {
    CheckFolderNames();
    std::optional<QString> typed;
    for (;;) {
        const std::optional<QString> newName = AskNewName(typed);
        if (!newName)
            return false;
        if (*newName == FName || RenameTo(*newName))
            return true;
        typed = newName;
    }
}

std::optional<QString> TVersionItem::AskNewName(const std::optional<QString>& typed) const {
    QString shown = typed.value_or(FName);
    for (;;) {
        const std::optional<QString> answer = User().AskName(
            QStringLiteral("New name dialog"), QStringLiteral("Enter new name"), shown);
        if (!answer)
            return std::nullopt;
        const QString newName = TextRules::Trim(*answer);
        // The name it has: nothing to do and nothing to say.
        if (newName == FName)
            return newName;
        // A refused name comes back to be mended, not typed again.
        shown = *answer;
        if (FParent->RefuseTakenName(newName))
            continue;
        if (!IsLegalDirectoryName(newName))
            continue;
        if (!FitsPathLimit(FParent->OwnerFolder(), newName, BytesUsedBelow(*this)))
            continue;
        return newName;
    }
}

bool TVersionItem::RenameTo(const QString& newName) {
    CheckFolderNames();
    const TVersionItem* parent = ParentItem();
    const QString parentFolder =
        parent ? parent->Path()
               : (FParent->RootOwner() ? FParent->RootOwner()->WorkSpace() : QString());
    const QString oldPath = Path();
    const QString newPath = parentFolder + newName;
    if (FileSystem::RenameFolder(oldPath, newPath)) {
        SetName(newName);
        return true;
    }
    User().ShowMessage(
        QStringLiteral("Rename folder %1, to folder %2 failed.").arg(oldPath, newPath));
    return false;
}

QString TVersionItem::DisplayName() const {
    return FName;
}

QString TVersionItem::AsString() const {
    return DisplayName();
}

void TVersionItem::AddToTree(CatalogueTreeView* tree, TreeNode* parent) {
    if (tree)
        fTreeNode = tree->AddNode(parent, this, FName);
}

QString TVersionItem::AsXml() const {
    QString out;
    AppendXml(out);
    return out;
}

void TVersionItem::AppendXml(QString& out, const std::function<void()>& afterEachItem) const {
    const QString element = XmlElementName();
    out += u'<';
    out += element;
    out += QLatin1String(" name=\"");
    out += FName;
    out += QLatin1String("\">\r\r");
    if (FVersionCollection) {
        FVersionCollection->AppendXml(out, afterEachItem);
        out += u'\r';
    }
    out += QLatin1String("</");
    out += element;
    out += u'>';
}

bool TVersionItem::ReadFromXml(TSimpleXmlParser& Sxp) {
    if (!Sxp.findElement(XmlElementName()))
        return false;
    SetName(Sxp.GetAttrib(u"name"));
    return !FVersionCollection || FVersionCollection->ReadFromXml(Sxp);
}

QString TVersionItem::DataAsXml() const {
    QString out;
    out += QLatin1String("<Version state=\"") + StateName(State()) + QLatin1String("\" parent=\"") +
           ParentVersion() + QLatin1String("\" >\r");
    out += QLatin1String("<Editor>\r");
    out += Editor() + QLatin1String("</Editor>\r");
    out += CheckInProperties().AsXmlString() + u'\r';
    out += QLatin1String("</Version>");
    return out;
}

void TVersionItem::DataFromXml(TSimpleXmlParser& Sxp) {
    TakeDataText(DataText::Parse(Sxp));
}

TVersionItem::DataText TVersionItem::DataText::Parse(TSimpleXmlParser& Sxp) {
    DataText text;
    if (!Sxp.findElement(u"Version"))
        return text;
    text.hasVersion = true;
    text.state = Sxp.GetAttrib(u"state");
    text.parent = TextRules::Trim(Sxp.GetAttrib(u"parent"));
    if (Sxp.findElement(u"Editor"))
        text.editor = TextRules::Trim(Sxp.ReadString());
    // As TCheckInProperties::FromXml reads them.
    if (Sxp.findElement(u"Date_time"))
        text.dateTime = TextRules::Trim(Sxp.ReadString());
    if (Sxp.findElement(u"Owner"))
        text.owner = TextRules::Trim(Sxp.ReadString());
    if (Sxp.findElement(u"Description"))
        text.description = TextRules::Trim(Sxp.ReadString());
    return text;
}

void TVersionItem::TakeDataText(const DataText& text) {
    if (!text.hasVersion)
        return;
    SetState(StateStrToEnum(text.state));
    SetParentVersion(text.parent);
    if (text.editor)
        SetEditor(*text.editor);
    TCheckInProperties record = CheckInProperties();
    if (text.dateTime)
        record.sDatetime = *text.dateTime;
    if (text.owner)
        record.sOwner = *text.owner;
    if (text.description)
        record.sDescription = *text.description;
    SetCheckInProperties(record);
}

DataFileRecord TVersionItem::ReadDataFile(const QString& folder, bool onlyInMemory) {
    DataFileRecord record = DataFileRecord::ReadNow(folder, onlyInMemory);
    if (record.parser) {
        try {
            record.prepared = DataText::Parse(*record.parser);
            // Freed on the thread that made it, and not held in the window.
            record.parser.reset();
        } catch (...) {
            record.failure = std::current_exception();
        }
    }
    return record;
}
