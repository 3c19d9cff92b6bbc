#pragma once

#include "catalogue/CatalogueTreeView.h"
#include "catalogue/VersionListView.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TVersion;

// The tests' tree node: text, item and children, like the real tree's.
class TreeNode {
public:
    QString text;
    TVersionItem* item = nullptr;
    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;
};

// A tree that keeps its nodes in memory and logs every call.
class RecordingTreeView : public CatalogueTreeView {
public:
    TreeNode* AddNode(TreeNode* parent, TVersionItem* item, const QString& text) override;
    void DeleteNode(TreeNode* node) override;
    void SetNodeText(TreeNode* node, const QString& text) override;
    bool IsNodeSelected(const TreeNode* node) const override { return node && node == selected; }
    void SelectNode(TreeNode* node) override;
    void DeleteAllNodes() override;

    // The tree as indented text, two blanks a level.
    QStringList Outline() const;
    int NodeCount() const;

    std::vector<std::unique_ptr<TreeNode>> roots;
    TreeNode* selected = nullptr;
    QStringList log;
};

// The tests' list row.
class VersionListRow {
public:
    TVersion* version = nullptr;
    QString caption;
    int groupId = -1;
    int imageIndex = -1;
};

// A version list that keeps its rows in memory and logs every call.
class RecordingListView : public VersionListView {
public:
    ~RecordingListView() override;

    void SetRow(VersionListRow* row, const QString& caption, int groupId, int imageIndex) override;
    void SetGroupHeader(int groupIndex, const QString& header) override;
    void Sort() override;
    void SelectRow(VersionListRow* row) override;
    bool IsRowSelected(const VersionListRow* row) const override { return row && row == selected; }
    void BeginUpdate() override { ++updateDepth; }
    void EndUpdate() override { --updateDepth; }

    // Captions of a group in display order.
    QStringList Captions(int groupId) const;

    std::vector<std::unique_ptr<VersionListRow>> rows;
    QString headers[2];
    VersionListRow* selected = nullptr;
    int updateDepth = 0;
    int sortCalls = 0;
    QStringList log;

protected:
    VersionListRow* CreateRow(TVersion* version) override;
    void DestroyRow(VersionListRow* row) override;
    void DestroyAllRows() override;
};
