#include "catalogue/TVersionCollection.h"

#include "catalogue/CatalogueOwner.h"
#include "catalogue/DataFilesAhead.h"
#include "catalogue/FolderScanReport.h"
#include "catalogue/ItemFolders.h"
#include "catalogue/TVersionItem.h"
#include "platform/BusyCursor.h"
#include "platform/ConversionError.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TextRules.h"
#include "platform/UserInterface.h"
#include "storage/DataFileReader.h"
#include "storage/TSimpleXmlParser.h"

#include <algorithm>

TVersionCollection::TVersionCollection(TVersionItem* AOwner) : ownerItem_(AOwner) {}

TVersionCollection::TVersionCollection(CatalogueOwner* AOwner) : rootOwner_(AOwner) {}

TVersionCollection::~TVersionCollection() {
    // First item first, as the items go one by one; the list is dropped after.
    for (auto& item : fList)
        item.reset();
    fList.clear();
}

TVersionItem* TVersionCollection::GetItems(int Index) const {
    if (Index < 0 || Index >= Count())
        throw QuorvelError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return fList[size_t(Index)].get();
}

void TVersionCollection::SetItems(int Index, std::unique_ptr<TVersionItem> Value) {
    if (Index < 0 || Index >= Count())
        throw QuorvelError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    fList[size_t(Index)] = std::move(Value);
}

TVersionItem* TVersionCollection::ItemByName(const QString& Value) const {
    for (const auto& item : fList) {
        if (TextRules::SameTextAscii(item->Name(), Value))
            return item.get();
    }
    return nullptr;
}

TVersionItem* TVersionCollection::ItemNamed(const QString& name) const {
    for (const auto& item : fList) {
        if (item->Name() == name)
            return item.get();
    }
    return nullptr;
}

bool TVersionCollection::RefuseTakenName(const QString& name) const {
    if (!ItemByName(name))
        return false;
    User().ShowMessage(QStringLiteral("name %1 already exists.").arg(name));
    return true;
}

CatalogueTreeView* TVersionCollection::TreeView() const {
    if (rootOwner_)
        return rootOwner_->TreeView();
    if (ownerItem_ && ownerItem_->ParentCollection())
        return ownerItem_->ParentCollection()->TreeView();
    return nullptr;
}

TVersionItem* TVersionCollection::AddItem() {
    std::unique_ptr<TVersionItem> owned = GetItem();
    TVersionItem* item = owned.get();
    if (item->HasCollection())
        item->VersionCollection()->SetOnChanged(FOnChanged);
    fList.push_back(std::move(owned));
    if (CatalogueTreeView* tree = TreeView()) {
        // Below an item that has no node there is no place for a node.
        if (!ownerItem_)
            item->AddToTree(tree, nullptr);
        else if (ownerItem_->GetTreeNode())
            item->AddToTree(tree, ownerItem_->GetTreeNode());
    }
    User().ProcessPendingEvents();
    if (FOnChanged)
        FOnChanged(this, item, ChangeKind::ItemAdded);
    return item;
}

void TVersionCollection::DelItem(TVersionItem* Value) {
    auto it = std::find_if(fList.begin(), fList.end(),
                           [Value](const auto& item) { return item.get() == Value; });
    if (it == fList.end())
        return;
    // Out of the list first, so that nothing sees it half destroyed.
    std::unique_ptr<TVersionItem> doomed = std::move(*it);
    fList.erase(it);
}

void TVersionCollection::Clear(const std::function<void()>& afterEachItem) {
    std::vector<std::unique_ptr<TVersionItem>> doomed;
    doomed.swap(fList);
    for (auto& item : doomed) {
        item.reset();
        if (afterEachItem)
            afterEachItem();
    }
}

void TVersionCollection::SetOnChanged(const TOnChanged& Value) {
    FOnChanged = Value;
    for (const auto& item : fList) {
        if (item->HasCollection())
            item->VersionCollection()->SetOnChanged(Value);
    }
}

void TVersionCollection::LoadData(const UnreadableData& onUnreadable) {
    if (FDataLoaded)
        return;
    if (ownerItem_)
        LoadDataIn(ownerItem_->Path(), ownerItem_->HasSafeFolderNames(), onUnreadable);
    else
        LoadDataIn(rootOwner_ ? rootOwner_->WorkSpace() : QString(), true, onUnreadable);
}

void TVersionCollection::LoadDataIn(const QString& ownerFolder, bool ownerSafe,
                                    const UnreadableData& onUnreadable, DataFileReader* ahead) {
    if (FDataLoaded)
        return;
    if (!ahead) {
        DataFileReader reader(DataFilesAhead(this, ownerFolder, ownerSafe),
                              &TVersionItem::ReadDataFile);
        LoadDataIn(ownerFolder, ownerSafe, onUnreadable, &reader);
        return;
    }
    BusyCursor busy;
    struct MarkLoaded {
        bool& flag;
        ~MarkLoaded() { flag = true; }
    } markLoaded{FDataLoaded};
    if (ownerSafe && ownerItem_)
        TakeUpFoundItems(ownerFolder);
    for (const auto& item : fList)
        item->LoadDataIn(ownerFolder, ownerSafe, onUnreadable, ahead);
}

void TVersionCollection::TakeUpFoundItems(const QString&) {}

void TVersionCollection::WriteData() {
    BusyCursor busy;
    for (const auto& item : fList)
        item->WriteData();
}

void TVersionCollection::ReadFromRoot(const QString& ARoot, FolderScanReport* report) {
    if (ARoot.isEmpty())
        throw QuorvelError(QStringLiteral("There is no folder to read the catalogue from."));
    const QString folder = ARoot.endsWith(u'/') ? ARoot : ARoot + u'/';
    QStringList names;
    QStringList unreadable;
    QStringList links;
    try {
        names = FileSystem::ListSubfolders(folder, &unreadable, report ? &links : nullptr);
    } catch (const QuorvelError& error) {
        if (!report)
            throw;
        // One folder that cannot be read must not cost the rest.
        report->Failed(error.Message());
        return;
    }
    if (report) {
        for (const QString& name : unreadable)
            report->LeftOut(folder + name + u'/', FolderScanReport::NotUtf8());
        for (const QString& name : links)
            report->LinkLeftOut(folder + name + u'/');
    }
    fList.reserve(fList.size() + size_t(names.size()));
    for (const QString& name : names) {
        // Half-made copies are not versions; one that no running check-out
        // holds is what a crash left.
        if (name.startsWith(FileSystem::PartialCopyPrefix())) {
            const bool mayRemove = !report || report->RemovesLeftovers();
            if (mayRemove && FileSystem::RemoveIfAbandoned(folder + name) && report)
                report->Removed(folder + name + u'/');
            continue;
        }
        // A name the catalogue file cannot hold would come back as another
        // name, and folder operations on it would reach another folder.
        if (!CanHoldName(name)) {
            if (report)
                report->LeftOut(folder + name + u'/', FolderScanReport::NameTheFileCannotHold());
            continue;
        }
        TVersionItem* item = AddItem();
        item->SetName(name);
        // The item's folder, without walking up the owners again.
        if (item->HasCollection())
            item->VersionCollection()->ReadFromRoot(folder + name + u'/', report);
    }
}

bool TVersionCollection::CanHoldName(const QString& name) {
    for (const QChar c : name) {
        if (c == u'"' || c == u'<' || c.unicode() < 0x20)
            return false;
    }
    return true;
}

bool TVersionCollection::IsItemFolderName(const QString& name) {
    return !name.startsWith(FileSystem::PartialCopyPrefix()) && CanHoldName(name);
}

QString TVersionCollection::AsXml() const {
    QString out;
    AppendXml(out);
    return out;
}

void TVersionCollection::AppendXml(QString& out, const std::function<void()>& afterEachItem) const {
    const QString element = XmlElementName();
    out += u'<';
    out += element;
    out += QLatin1String(" count=\"");
    out += QString::number(Count());
    out += QLatin1String("\" >\r");
    for (const auto& item : fList) {
        item->AppendXml(out, afterEachItem);
        out += u'\r';
        if (afterEachItem)
            afterEachItem();
    }
    out += QLatin1String("</");
    out += element;
    out += u'>';
}

bool TVersionCollection::ReadFromXml(TSimpleXmlParser& Sxp) {
    if (!Sxp.findElement(XmlElementName()))
        return false;
    const QString countText = Sxp.GetAttrib(u"count");
    const std::optional<int> count = TextRules::ParseInt32(countText);
    if (!count)
        throw ConversionError(countText);
    // A damaged count must not make items out of nothing: stop at the
    // first item that finds no element of its own.
    bool complete = true;
    for (int i = 0; i < *count; ++i) {
        TVersionItem* item = AddItem();
        const int before = Sxp.Position();
        complete = item->ReadFromXml(Sxp) && complete;
        if (Sxp.Position() == before) {
            DelItem(item);
            return false;
        }
    }
    return complete;
}

std::optional<QString> TVersionCollection::AskFreeName(const QString& caption,
                                                       const QString& prompt,
                                                       qsizetype bytesBelow) const {
    for (;;) {
        const std::optional<QString> answer = User().AskName(caption, prompt, QString());
        if (!answer)
            return std::nullopt;
        if (RefuseTakenName(*answer))
            continue;
        if (!IsLegalDirectoryName(*answer))
            return std::nullopt;
        if (!FitsPathLimit(OwnerFolder(), *answer, bytesBelow))
            return std::nullopt;
        return answer;
    }
}

QString TVersionCollection::OwnerFolder() const {
    if (ownerItem_)
        return ownerItem_->Path();
    return rootOwner_ ? rootOwner_->WorkSpace() : QString();
}

TVersionItem* TVersionCollection::AddNamedItem(const QString& name) {
    if (ownerItem_)
        ownerItem_->CheckFolderNames();
    TVersionItem* item = AddItem();
    item->SetName(name);
    QString reason;
    if (!FileSystem::MakeFolder(item->Path(), &reason)) {
        // The file system refused the name: leave nothing behind.
        const QString path = item->Path();
        DelItem(item);
        User().ShowMessage(
            QStringLiteral("The folder %1 could not be created: %2.").arg(path, reason));
        return nullptr;
    }
    return item;
}

QString TVersionCollection::RemoveQuestion(const TVersionItem*) const {
    return QString();
}

bool TVersionCollection::RemoveAfterConfirmation(TVersionItem* Value, const QString& question) {
    Value->CheckFolderNames();
    if (!User().Confirm(question))
        return false;
    return TrashItem(Value);
}

bool TVersionCollection::TrashItem(TVersionItem* Value) {
    Value->CheckFolderNames();
    if (!DeleteFilesInDir(Value->Path()))
        return false;
    DelItem(Value);
    return true;
}
