#include "ui/CatalogueTree.h"

#include "ui/TreeNode.h"

#include <QPainter>
#include <QSignalBlocker>

namespace {

void AddOutline(const QTreeWidgetItem* node, int depth, QStringList& out, bool visibleOnly) {
    if (visibleOnly && !static_cast<const TreeNode*>(node)->ShownByFilter())
        return;
    out << QString(depth * 2, u' ') + node->text(0);
    for (int i = 0; i < node->childCount(); ++i)
        AddOutline(node->child(i), depth + 1, out, visibleOnly);
}

QTreeWidgetItem* TopLevelOf(QTreeWidgetItem* node) {
    while (node && node->parent())
        node = node->parent();
    return node;
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
    ApplyFilterAround(node);
    return node;
}

void CatalogueTree::DeleteNode(TreeNode* node) {
    if (!node)
        return;
    QTreeWidgetItem* client = node->parent() ? TopLevelOf(node) : nullptr;
    {
        const QSignalBlocker blocker(this);
        delete node;
    }
    // A client shown for this project alone goes with it.
    ApplyFilterAround(client);
    emit selectionNeedsSync();
}

void CatalogueTree::SetNodeText(TreeNode* node, const QString& text) {
    if (node) {
        node->SetText(text);
        ApplyFilterAround(node);
    }
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

void CatalogueTree::ShowSelected(TreeNode* node) {
    if (node == SelectedNode())
        return;
    const QSignalBlocker blocker(this);
    if (node)
        SelectNode(node);
    else
        clearSelection();
}

QSet<QString> CatalogueTree::ExpandedClients() const {
    QSet<QString> names;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isExpanded())
            names.insert(topLevelItem(i)->text(0));
    }
    return names;
}

void CatalogueTree::SetExpandedClients(const QSet<QString>& names) {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* client = topLevelItem(i);
        client->setExpanded(names.contains(client->text(0)));
    }
}

QString CatalogueTree::NothingFoundText() const {
    if (filter_.isEmpty() || AnyShownByFilter())
        return QString();
    return QStringLiteral("No client or project name contains \"%1\".").arg(filter_);
}

bool CatalogueTree::AnyShownByFilter() const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (static_cast<const TreeNode*>(topLevelItem(i))->ShownByFilter())
            return true;
    }
    return false;
}

void CatalogueTree::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    const QString nothing = NothingFoundText();
    if (nothing.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect room = viewport()->rect().adjusted(6, 6, -6, -6);
    painter.drawText(room, Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, nothing);
}

QStringList CatalogueTree::Outline() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        AddOutline(topLevelItem(i), 0, out, false);
    return out;
}

QStringList CatalogueTree::VisibleOutline() const {
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        AddOutline(topLevelItem(i), 0, out, true);
    return out;
}

void CatalogueTree::SetFilterText(const QString& text) {
    if (text == filter_)
        return;
    if (filter_.isEmpty())
        expandedBeforeFilter_ = ExpandedClients();
    filter_ = text;
    opening_ = false;
    setUpdatesEnabled(false);
    for (int i = 0; i < topLevelItemCount(); ++i)
        ApplyFilter(topLevelItem(i));
    // The clients the filter opened close again.
    if (filter_.isEmpty())
        SetExpandedClients(expandedBeforeFilter_);
    setUpdatesEnabled(true);
    viewport()->update();
    if (TreeNode* node = SelectedNode()) {
        if (IsShownByFilter(node))
            scrollToItem(node);
    }
}

bool CatalogueTree::IsShownByFilter(const QTreeWidgetItem* node) {
    for (; node; node = node->parent()) {
        if (!static_cast<const TreeNode*>(node)->ShownByFilter())
            return false;
    }
    return true;
}

void CatalogueTree::ApplyFilterAround(QTreeWidgetItem* node) {
    // Without a filter every node is shown already.
    if (!filter_.isEmpty())
        ApplyFilter(TopLevelOf(node));
}

void CatalogueTree::ApplyFilter(QTreeWidgetItem* item) {
    if (!item)
        return;
    auto* client = static_cast<TreeNode*>(item);
    const bool all = filter_.isEmpty();
    const auto matches = [this](const QTreeWidgetItem* node) {
        return node->text(0).contains(filter_, Qt::CaseInsensitive);
    };
    const bool clientMatches = all || matches(client);
    bool projectMatches = false;
    for (int i = 0; !clientMatches && !projectMatches && i < client->childCount(); ++i)
        projectMatches = matches(client->child(i));
    const bool shown = clientMatches || projectMatches;
    client->SetShownByFilter(shown);
    // The projects of a hidden client are out of sight with it; they are
    // set when it is shown again.
    if (!shown)
        return;
    for (int i = 0; i < client->childCount(); ++i) {
        auto* project = static_cast<TreeNode*>(client->child(i));
        project->SetShownByFilter(clientMatches || matches(project));
    }
    // A matching project is seen without opening its client.
    if (projectMatches && !client->isExpanded()) {
        // One layout for all: a client opened while a layout is pending
        // costs nothing, while each opening lays out the rows below at once.
        if (!opening_)
            scheduleDelayedItemsLayout();
        opening_ = true;
        client->setExpanded(true);
    }
}
