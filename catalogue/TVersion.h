#pragma once

#include "catalogue/TVersionItem.h"

#include <QStringList>

class VersionListView;
class VersionListRow;

// A version: a folder of a project with the work itself and its data file.
class TVersion : public TVersionItem {
public:
    explicit TVersion(TVersionCollection* AParent);
    ~TVersion() override;

    QString XmlElementName() const override;

    // The number in the name from the eighth character on; 0 when none.
    int Nr() const;
    static int VersionNrOf(const QString& name);

    bool VersionSelected() const;
    void SetVersionSelected(bool Value);

    VersionListRow* ListItem() const { return fListItem; }
    VersionListView* ListView() const { return listView_; }

    // Adds a row to list (when given) for a name with "VERSION" in it, and
    // sets the row's caption, group and picture from the version.
    void AddToView(VersionListView* list);

    // The list's caption (VersionCaption).
    QString DisplayName() const override;
    // The name the other views give the version (VersionLongName).
    QString LongName() const;
    QString AsString() const override;
    // The details panel: its lines, tabs between label and value.
    QStringList DisplayLines() const;
    // A short account, labelled like the details: the folder's name, the
    // state, and when and by whom the version was checked out or in.
    QStringList SummaryLines() const;

    // Versions have no node.
    void AddToTree(CatalogueTreeView* tree, TreeNode* parent) override;

protected:
    void OnStateChange() override;

private:
    // "Checked out at:" or "Checked in at:", the time and the owner.
    QString RecordLine() const;

    friend class VersionListView;
    VersionListRow* fListItem = nullptr;
    VersionListView* listView_ = nullptr;
};
