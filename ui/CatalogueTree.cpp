#include "ui/CatalogueTree.h"

#include "ui/TreeNode.h"

#include <QSignalBlocker>

namespace {

void AddOutline(const QTreeWidgetItem* node, int depth, QStringList& out) {
    out << QString(depth * 2, u' ') + node->text(0);
    for (int i = 0; i < node->childCount(); ++i)
        AddOutline(node->child(i), depth + 1, out);
}

} // namespace

CatalogueTree::CatalogueTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("tvVersions"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(0, 0));
    // The selection, not the current item: Qt makes the first node current
    // when the tree gets the focus, without the user choosing it.
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (TreeNode* node = SelectedNode())
            emit nodeChosen(node);
    });
}

TreeNode* CatalogueTree::AddNode(TreeNode* parent, TVersionItem* item, const QString& text) {
    auto* node = new TreeNode(item, text);
    if (parent)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

void CatalogueTree::DeleteNode(TreeNode* node) {
    if (!node)
        return;
    {
        const QSignalBlocker blocker(this);
        delete node;
    }
    emit selectionNeedsSync();
}

void CatalogueTree::SetNodeText(TreeNode* node, const QString& text) {
    if (node)
        node->SetText(text);
}

bool CatalogueTree::IsNodeSelected(const TreeNode* node) const {
    return node && node == currentItem() && node->isSelected();
}

void CatalogueTree::SelectNode(TreeNode* node) {
    if (!node)
        return;
    setCurrentItem(node);
    scrollToItem(node);
}

void CatalogueTree::DeleteAllNodes() {
    {
        const QSignalBlocker blocker(this);
        clear();
    }
    emit selectionNeedsSync();
}

TreeNode* CatalogueTree::SelectedNode() const {
    QTreeWidgetItem* node = currentItem();
    return node && node->isSelected() ? static_cast<TreeNode*>(node) : nullptr;
}

QStringList CatalogueTree::Outline() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        AddOutline(topLevelItem(i), 0, out);
    return out;
}
