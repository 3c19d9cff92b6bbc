#pragma once

#include "catalogue/CatalogueTreeView.h"

#include <QSet>
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
    // Selects node (none: clears the selection) without reporting it: the
    // tree shows what is active already.
    void ShowSelected(TreeNode* node);
    // The names of the clients shown open, and opening just those.
    QSet<QString> ExpandedClients() const;
    void SetExpandedClients(const QSet<QString>& names);
    // Shown in the tree when the filter leaves nothing.
    QString NothingFoundText() const;
    // The texts of all nodes, a level deeper indented by two blanks.
    QStringList Outline() const;
    // The same, of the nodes the filter leaves shown.
    QStringList VisibleOutline() const;

    // Shows only the clients and projects whose texts contain text,
    // ignoring case: a client stays with the projects that match, and with
    // all of them when it matches itself. Rows are hidden, never removed,
    // so items keep their nodes and the selection stays, also on a hidden
    // node. Nodes added or renamed later follow the filter. Empty: all.
    void SetFilterText(const QString& text);
    const QString& FilterText() const { return filter_; }
    // False for a node the filter hides, or one below a hidden node.
    static bool IsShownByFilter(const QTreeWidgetItem* node);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool AnyShownByFilter() const;
    // Shows and hides a client and its projects by the filter.
    void ApplyFilter(QTreeWidgetItem* client);
    void ApplyFilterAround(QTreeWidgetItem* node);

    QString filter_;
    // What was open when the filter was set; clearing it opens that again.
    QSet<QString> expandedBeforeFilter_;
    // A layout is pending for the clients this filtering opened.
    bool opening_ = false;

signals:
    // The user (or the catalogue) selected another node.
    void nodeChosen(TreeNode* node);
    // Nodes went away without the selection being reported.
    void selectionNeedsSync();
};
