#pragma once

#include "catalogue/CatalogueTreeView.h"

#include <QTreeWidget>

class TVersionItem;

// The client/project tree of the main window: read-only, without
// pictures. The catalogue adds and deletes its nodes; the window hears of
// the user's selection through nodeChosen.
class CatalogueTree : public QTreeWidget, public CatalogueTreeView {
    Q_OBJECT

public:
    explicit CatalogueTree(QWidget* parent = nullptr);

    TreeNode* AddNode(TreeNode* parent, TVersionItem* item, const QString& text) override;
    // Deleting a node moves Qt's selection to another node; that move must
    // not reach the catalogue while it is taking items apart, so it is
    // reported later through selectionNeedsSync.
    void DeleteNode(TreeNode* node) override;
    void SetNodeText(TreeNode* node, const QString& text) override;
    bool IsNodeSelected(const TreeNode* node) const override;
    void SelectNode(TreeNode* node) override;
    void DeleteAllNodes() override;

    // The node that is selected now, or null.
    TreeNode* SelectedNode() const;
    // The texts of all nodes, a level deeper indented by two blanks.
    QStringList Outline() const;

signals:
    // The user (or the catalogue) selected another node.
    void nodeChosen(TreeNode* node);
    // Nodes went away without the selection being reported.
    void selectionNeedsSync();
};
