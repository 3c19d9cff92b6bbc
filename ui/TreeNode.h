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

private:
    TVersionItem* item_;
};
