#pragma once

#include "catalogue/TCheckInProperties.h"
#include "catalogue/VersionDefine.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class CatalogueTreeView;
class TSimpleXmlParser;
class TVersionCollection;
class TreeNode;

class TVersionItem;
// Told of an item whose data file could not be read, and why.
class DataFileReader;
struct DataFileRecord;

using UnreadableData = std::function<void(TVersionItem* item, const QString& reason)>;

// One client, project or version: a folder below the workspace whose name
// is the item's name. An item owns its own collection (the level below).
class TVersionItem {
public:
    explicit TVersionItem(TVersionCollection* AParent);
    virtual ~TVersionItem();
    TVersionItem(const TVersionItem&) = delete;
    TVersionItem& operator=(const TVersionItem&) = delete;

    const QString& Name() const { return FName; }
    // Sets the name, the node's text, and tells the listeners (ItemdEdited).
    void SetName(const QString& Value);

    TreeNode* GetTreeNode() const { return fTreeNode; }
    TVersionCollection* VersionCollection() const { return FVersionCollection.get(); }
    TVersionCollection* ParentCollection() const { return FParent; }

    TVersionState State() const;
    void SetState(TVersionState Value);
    bool IsCheckedOut() const { return State() == vsCheckedOut; }
    const QString& ParentVersion() const;
    void SetParentVersion(const QString& Value);
    const QString& Editor() const;
    void SetEditor(const QString& Value);
    const TCheckInProperties& CheckInProperties() const;
    void SetCheckInProperties(const TCheckInProperties& Value);

    bool Selected() const;
    void SetSelected(bool Value);

    // The item that owns this item's collection, or null for a client.
    TVersionItem* ParentItem() const;
    // The item's folder, ending with "/": workspace, client, project and
    // version names. Computed each time, so a rename reaches everything below.
    QString Path() const;
    bool HasCollection() const { return FVersionCollection != nullptr; }

    // Reads the data file, when there is one, then the data of the level
    // below. A data file that cannot be read raises QuorvelError; with
    // onUnreadable, it is told there instead and the reading goes on.
    void LoadData(const UnreadableData& onUnreadable = {});
    // LoadData for an item whose parent's folder is parentFolder (ending
    // with "/"); parentSafe tells whether every name above is a single
    // folder name. Spares the walk up the owners for each of many items.
    // The data files come from ahead when given (see DataFilesAhead),
    // else from a reader of this item's own.
    void LoadDataIn(const QString& parentFolder, bool parentSafe,
                    const UnreadableData& onUnreadable = {}, DataFileReader* ahead = nullptr);
    // Writes the data file into the item's folder.
    void WriteData();

    // Asks for a new name and renames the folder and the item (clients and
    // projects).
    // True when the folder and the item got the new name; the name they
    // have already changes nothing and is true.
    bool Rename();
    // The parts of Rename, for a caller that changes the workspace under
    // its lock between asking and doing (see TVersionManager). The name
    // dialog, opening with typed (else the item's name): asks until the
    // name is free and legal, or is the item's own; nothing on Cancel.
    // After a refusal the dialog shows what was typed.
    std::optional<QString> AskNewName(const std::optional<QString>& typed = std::nullopt) const;
    // Renames the folder and the item; says so and is false when the
    // folder could not be renamed.
    bool RenameTo(const QString& newName);

    // Raises QuorvelError unless the item and every item above it name a
    // single folder that is not a link, so that a damaged catalogue never
    // sends a folder operation to another folder or out of the workspace.
    void CheckFolderNames() const;
    bool HasSafeFolderNames() const;

    virtual QString XmlElementName() const = 0;
    virtual QString DisplayName() const;
    virtual QString AsString() const;

    // The catalogue text of the item and everything below it.
    QString AsXml() const;
    // See TVersionCollection::AppendXml.
    void AppendXml(QString& out, const std::function<void()>& afterEachItem = {}) const;
    // False when the text lacks the item's element or part of what is
    // below it (see TVersionCollection::ReadFromXml).
    bool ReadFromXml(TSimpleXmlParser& Sxp);
    // The text of the item's data file.
    QString DataAsXml() const;
    void DataFromXml(TSimpleXmlParser& Sxp);

    // What DataFromXml finds in a data file, found on any thread; Take
    // gives it to an item on the catalogue's thread. Elements that are
    // not there leave the item's value as it is.
    struct DataText {
        bool hasVersion = false;
        QString state;
        QString parent;
        std::optional<QString> editor;
        std::optional<QString> dateTime;
        std::optional<QString> owner;
        std::optional<QString> description;

        static DataText Parse(TSimpleXmlParser& Sxp);
    };
    void TakeDataText(const DataText& text);
    // A folder's data file read and parsed, for a DataFileReader: the
    // record's prepared value is its DataText, in place of its parser.
    static DataFileRecord ReadDataFile(const QString& folder, bool onlyInMemory = false);

    // Adds the item's node to tree under parent (top level when null).
    virtual void AddToTree(CatalogueTreeView* tree, TreeNode* parent);

    // Called as each item is destroyed, so that whoever holds on to an item
    // (the active item, the listed project) can let go of it in time.
    static void SetDestroyListener(std::function<void(TVersionItem*)> listener);

protected:
    // Called once by the constructor of each subclass.
    void InstallCollection(std::unique_ptr<TVersionCollection> collection);
    virtual void OnStateChange() {}

private:
    // Version data lives apart: clients and projects never carry any.
    struct VersionData {
        TVersionState FState = vsCheckedIn;
        TCheckInProperties FCheckInProperties;
        QString FParentVersion;
        QString FEditor;
    };
    VersionData& Data();

    QString FName;
    TreeNode* fTreeNode = nullptr;
    std::unique_ptr<TVersionCollection> FVersionCollection;
    std::unique_ptr<VersionData> fData;
    TVersionCollection* FParent;
};
