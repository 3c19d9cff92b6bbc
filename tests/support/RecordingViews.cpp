#include "support/RecordingViews.h"

#include "catalogue/TVersion.h"

#include <algorithm>

namespace {

std::vector<std::unique_ptr<TreeNode>>& SiblingsOf(std::vector<std::unique_ptr<TreeNode>>& roots,
                                                   TreeNode* node) {
    return node->parent ? node->parent->children : roots;
}

bool Contains(const TreeNode* tree, const TreeNode* node) {
    if (tree == node)
        return true;
    for (const auto& child : tree->children) {
        if (Contains(child.get(), node))
            return true;
    }
    return false;
}

void Outline(const TreeNode* node, int depth, QStringList& out) {
    out << QString(depth * 2, u' ') + node->text;
    for (const auto& child : node->children)
        Outline(child.get(), depth + 1, out);
}

int Count(const TreeNode* node) {
    int n = 1;
    for (const auto& child : node->children)
        n += Count(child.get());
    return n;
}

} // namespace

TreeNode* RecordingTreeView::AddNode(TreeNode* parent, TVersionItem* item, const QString& text) {
    auto node = std::make_unique<TreeNode>();
    node->text = text;
    node->item = item;
    node->parent = parent;
    TreeNode* raw = node.get();
    (parent ? parent->children : roots).push_back(std::move(node));
    log << QStringLiteral("add %1").arg(text);
    return raw;
}

void RecordingTreeView::DeleteNode(TreeNode* node) {
    log << QStringLiteral("delete %1").arg(node->text);
    if (selected && Contains(node, selected))
        selected = nullptr;
    auto& siblings = SiblingsOf(roots, node);
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [node](const auto& n) { return n.get() == node; }));
}

void RecordingTreeView::SetNodeText(TreeNode* node, const QString& text) {
    node->text = text;
    log << QStringLiteral("text %1").arg(text);
}

void RecordingTreeView::SelectNode(TreeNode* node) {
    selected = node;
    log << QStringLiteral("select %1").arg(node->text);
}

void RecordingTreeView::DeleteAllNodes() {
    selected = nullptr;
    roots.clear();
    log << QStringLiteral("clear");
}

QStringList RecordingTreeView::Outline() const {
    QStringList out;
    for (const auto& root : roots)
        ::Outline(root.get(), 0, out);
    return out;
}

int RecordingTreeView::NodeCount() const {
    int n = 0;
    for (const auto& root : roots)
        n += Count(root.get());
    return n;
}

RecordingListView::~RecordingListView() {
    ForgetAllRows();
}

VersionListRow* RecordingListView::CreateRow(TVersion* version) {
    auto row = std::make_unique<VersionListRow>();
    row->version = version;
    rows.push_back(std::move(row));
    log << QStringLiteral("add %1").arg(version->Name());
    return rows.back().get();
}

void RecordingListView::DestroyRow(VersionListRow* row) {
    log << QStringLiteral("delete %1").arg(row->caption);
    if (selected == row)
        selected = nullptr;
    rows.erase(
        std::find_if(rows.begin(), rows.end(), [row](const auto& r) { return r.get() == row; }));
}

void RecordingListView::DestroyAllRows() {
    log << QStringLiteral("clear");
    selected = nullptr;
    rows.clear();
}

void RecordingListView::SetRow(VersionListRow* row, const QString& caption, int groupId,
                               int imageIndex) {
    row->caption = caption;
    row->groupId = groupId;
    row->imageIndex = imageIndex;
}

void RecordingListView::SetGroupHeader(int groupIndex, const QString& header) {
    headers[groupIndex] = header;
}

void RecordingListView::Sort() {
    ++sortCalls;
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return CompareRows(a->version, b->version) < 0;
    });
}

void RecordingListView::SelectRow(VersionListRow* row) {
    selected = row;
}

QStringList RecordingListView::Captions(int groupId) const {
    QStringList out;
    for (const auto& row : rows) {
        if (row->groupId == groupId)
            out << row->caption;
    }
    return out;
}
