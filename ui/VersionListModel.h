#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class TVersion;
class VersionListRow;

// The version list's data: two group rows at the top level, "Checked out"
// (group id 1) first and "Version(s)" (group id 0) second, each holding the
// rows of its group in the list's order. Three columns; only the first has
// text.
class VersionListModel : public QAbstractItemModel {
    Q_OBJECT

public:
    static constexpr int GroupCount = 2;
    static constexpr int ColumnCount = 3;
    enum Role { IsGroupRole = Qt::UserRole + 1 };

    explicit VersionListModel(QObject* parent = nullptr);
    ~VersionListModel() override;

    // The position of the group with this id (1 first, 0 second); -1 for
    // any other id.
    static int GroupIndexOfId(int groupId);
    static int GroupIdAt(int groupIndex);

    // Pictures by picture index, in every size the views draw.
    void SetPictures(std::vector<QIcon> pictures) { pictures_ = std::move(pictures); }

    // A new row for version, shown once SetRow gives it a group.
    VersionListRow* CreateRow(TVersion* version);
    // Sets the row's texts; a new group moves the row, keeping the
    // selection on it.
    void SetRow(VersionListRow* row, const QString& caption, int groupId, int imageIndex);
    void DestroyRow(VersionListRow* row);
    void DestroyAllRows();
    void SetGroupHeader(int groupIndex, const QString& header);
    QString GroupHeader(int groupIndex) const;
    // Orders every group by VersionListView::CompareRows; equal rows keep
    // their order. Selection and current row stay on their rows.
    void Sort();
    // Between the two, new rows are gathered and go into their groups at
    // once (in the same places as one by one) at the next call that needs
    // them there, at the latest at EndFill: a list of thousands fills
    // without a view update per row.
    void BeginFill();
    void EndFill();
    // Puts the gathered rows into their groups now.
    void InsertGathered();

    QModelIndex GroupIndex(int groupIndex) const;
    QModelIndex IndexOf(const VersionListRow* row, int column = 0) const;
    VersionListRow* RowAt(const QModelIndex& index) const;
    int RowCountIn(int groupIndex) const { return int(groups_[size_t(groupIndex)].size()); }
    VersionListRow* RowIn(int groupIndex, int position) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int PositionOf(const VersionListRow* row) const;
    // Where a row goes among the rows of a group so that the group stays in
    // order, after rows that compare equal.
    int SortedPosition(int groupIndex, const VersionListRow* row) const;

    std::vector<std::unique_ptr<VersionListRow>> owned_;
    std::array<std::vector<VersionListRow*>, GroupCount> groups_;
    std::array<QString, GroupCount> headers_;
    std::vector<QIcon> pictures_;
    int fillDepth_ = 0;
    std::array<std::vector<VersionListRow*>, GroupCount> gathered_;
};
