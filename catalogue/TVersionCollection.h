#pragma once

#include "catalogue/TVersionItem.h"
#include "catalogue/VersionConsts.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CatalogueOwner;
class FolderScanReport;
class CatalogueTreeView;
class TSimpleXmlParser;
class TVersionCollection;
class TVersionItem;

// The catalogue's change callback: the collection, the item, what changed.
using TOnChanged = std::function<void(TVersionCollection* Sender, TVersionItem* ChangedItem,
                                      ChangeKind TypeOfChange)>;

// The items of one level, owned, in insertion order. The root collection
// belongs to the workspace manager; every other one to its item.
class TVersionCollection {
public:
    explicit TVersionCollection(TVersionItem* AOwner);
    explicit TVersionCollection(CatalogueOwner* AOwner);
    virtual ~TVersionCollection();
    TVersionCollection(const TVersionCollection&) = delete;
    TVersionCollection& operator=(const TVersionCollection&) = delete;

    int Count() const { return int(fList.size()); }
    // Raises QuorvelError for an index outside 0 to Count - 1.
    TVersionItem* GetItems(int Index) const;
    // Puts Value at Index; the item it replaces is destroyed.
    void SetItems(int Index, std::unique_ptr<TVersionItem> Value);
    // The first item whose name matches with a-z taken as A-Z, or null.
    // It decides whether a name is taken; the item that a given name
    // stands for is NameLookup's to find.
    TVersionItem* ItemByName(const QString& Value) const;
    // The item of exactly this name, or null.
    TVersionItem* ItemNamed(const QString& name) const;
    // Tells the user, and is true, when an item here already has the name
    // (as ItemByName finds it): a new or renamed item may not take it.
    bool RefuseTakenName(const QString& name) const;

    // The question asked before an item and its folder are deleted.
    virtual QString RemoveQuestion(const TVersionItem* Value) const;

    // Appends a new, still nameless item and tells the listeners (ItemAdded).
    TVersionItem* AddItem();
    // Removes and destroys the item with everything below it; quietly.
    void DelItem(TVersionItem* Value);
    // Removes every item at once, then destroys them first to last and
    // calls afterEachItem after each.
    void Clear(const std::function<void()>& afterEachItem);

    const TOnChanged& OnChanged() const { return FOnChanged; }
    // Installs the callback here and on every collection below.
    void SetOnChanged(const TOnChanged& Value);

    // The item whose children these are; null for the root.
    TVersionItem* OwnerItem() const { return ownerItem_; }
    // The workspace manager for the root; null otherwise.
    CatalogueOwner* RootOwner() const { return rootOwner_; }
    // The folder the items' folders are in: the owner item's, or the
    // workspace for the root.
    QString OwnerFolder() const;
    // The tree the items are shown in, found through the owners; may be null.
    CatalogueTreeView* TreeView() const;

    bool DataLoaded() const { return FDataLoaded; }
    // Loads every item's data once in the collection's life; see
    // TVersionItem::LoadData for onUnreadable.
    void LoadData(const UnreadableData& onUnreadable = {});
    // LoadData when the owner's folder and the safety of the names above
    // are known (see TVersionItem::LoadDataIn).
    void LoadDataIn(const QString& ownerFolder, bool ownerSafe,
                    const UnreadableData& onUnreadable = {}, DataFileReader* ahead = nullptr);
    void WriteData();

    // Fills the collection from the sub-folders of ARoot, depth first.
    // Folders whose names the catalogue file cannot hold are left out, and
    // what an interrupted check-out left is removed. Without a report a
    // folder that cannot be read raises QuorvelError; with one, the scan
    // notes it (and all of the above) there and goes on.
    void ReadFromRoot(const QString& ARoot, FolderScanReport* report = nullptr);
    // False for a name with a double quote, "<" or a control character:
    // the catalogue file would give it back as another name.
    static bool CanHoldName(const QString& name);
    // True for a sub-folder that the scan makes an item of: a name the
    // catalogue file can hold, and no work folder of unfinished work.
    static bool IsItemFolderName(const QString& name);

    virtual QString XmlElementName() const = 0;
    QString AsXml() const;
    // AsXml, appended to out; afterEachItem, when given, is called after
    // each item's text at every level, so that the caller may take out's
    // text away meanwhile.
    void AppendXml(QString& out, const std::function<void()>& afterEachItem = {}) const;
    // Reads the collection's element and its items; false when the text
    // lacks any of them (no such element, or fewer items than it counts),
    // as in a file cut off or not written by the program. Raises
    // ConversionError for a count that is not a number.
    bool ReadFromXml(TSimpleXmlParser& Sxp);

protected:
    // A new item of this level, not yet in the list.
    virtual std::unique_ptr<TVersionItem> GetItem() = 0;
    // Called as the data is loaded, before the items read their files,
    // with the owner's folder: a level may add items it finds there.
    virtual void TakeUpFoundItems(const QString& ownerFolder);

    // Asks the question; on Yes sends the folder to the trash and removes
    // the item. True when the folder went to the trash.
    bool RemoveAfterConfirmation(TVersionItem* Value, const QString& question);

public:
    // The parts of those two, for a caller that changes the workspace
    // under its lock between asking and doing (see TVersionManager).
    // The name dialog: asks until the name is free here and legal; nothing
    // when the user gave up or typed an illegal name, or one whose paths,
    // with up to bytesBelow bytes inside its folder, would be too long.
    std::optional<QString> AskFreeName(const QString& caption, const QString& prompt,
                                       qsizetype bytesBelow) const;
    // Adds and names the item and creates its folder, inside the owner's
    // folder, which must be there (no missing folder is made on the way:
    // a folder renamed or deleted meanwhile is never made again). Null,
    // with the reason shown, when the folder could not be made.
    TVersionItem* AddNamedItem(const QString& name);
    // Sends the item's folder to the trash and removes the item; when the
    // folder cannot go, says so and keeps the item. True when it went.
    bool TrashItem(TVersionItem* Value);

private:
    TOnChanged FOnChanged;
    TVersionItem* ownerItem_ = nullptr;
    CatalogueOwner* rootOwner_ = nullptr;
    bool FDataLoaded = false;
    std::vector<std::unique_ptr<TVersionItem>> fList;
};
