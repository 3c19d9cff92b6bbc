#pragma once

#include <QString>

class TVersionItem;
// A node of the client/project tree; each view defines its own.
class TreeNode;

// The client/project tree as the catalogue sees it. The view owns its
// nodes; an item keeps its node and deletes it when it goes.
class CatalogueTreeView {
public:
    virtual ~CatalogueTreeView() = default;

    // Adds a node for item as the last child of parent (top level when
    // parent is null) and returns it.
    virtual TreeNode* AddNode(TreeNode* parent, TVersionItem* item, const QString& text) = 0;
    virtual void DeleteNode(TreeNode* node) = 0;
    virtual void SetNodeText(TreeNode* node, const QString& text) = 0;
    virtual bool IsNodeSelected(const TreeNode* node) const = 0;
    virtual void SelectNode(TreeNode* node) = 0;
    virtual void DeleteAllNodes() = 0;
};
