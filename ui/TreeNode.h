#pragma once

#include <QTreeWidgetItem>

class TVersionItem;

// A client's or project's node in the catalogue tree; it carries its item.
class TreeNode : public QTreeWidgetItem {
public:
    TreeNode(TVersionItem* item, const QString& text);

    TVersionItem* Item() const { return item_; }
    // The node's text, also shown as its tool tip.
    void SetText(const QString& text);

    // Whether the tree's filter leaves the node shown. Kept here, as asking
    // the view costs a model index per node and the filter asks every node
    // at every keystroke; the view hears only of changes.
    bool ShownByFilter() const { return shownByFilter_; }
    void SetShownByFilter(bool shown);

private:
    TVersionItem* item_;
    bool shownByFilter_ = true;
};
