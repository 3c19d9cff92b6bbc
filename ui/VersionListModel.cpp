#include "ui/VersionListModel.h"

#include "catalogue/TVersion.h"
#include "catalogue/VersionListView.h"
#include "ui/VersionListRow.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>

namespace {

// VersionListView::CompareRows, on the numbers the rows hold.
bool RowBefore(const VersionListRow* a, const VersionListRow* b) {
    return a->number > b->number;
}

// The version's summary as a two-column table, labels left, so that the
// values line up as in the details panel. The list's caption names a
// checked-out version after its parent; this names its own folder.
QString ToolTip(const TVersion& version) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const QString& line : version.SummaryLines()) {
        const QString label = line.section(u'\t', 0, 0);
        const QString value = line.section(u'\t', 1);
        html += QStringLiteral("<tr><td>%1</td><td style=\"white-space:pre\">%2</td></tr>")
                    .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

} // namespace

VersionListModel::VersionListModel(QObject* parent) : QAbstractItemModel(parent) {
    headers_ = {QStringLiteral("Checked out"), QStringLiteral("Version(s)")};
}

VersionListModel::~VersionListModel() = default;

int VersionListModel::GroupIndexOfId(int groupId) {
    switch (groupId) {
    case 1:
        return 0;
    case 0:
        return 1;
    default:
        return -1;
    }
}

int VersionListModel::GroupIdAt(int groupIndex) {
    return groupIndex == 0 ? 1 : 0;
}

VersionListRow* VersionListModel::CreateRow(TVersion* version) {
    owned_.push_back(std::make_unique<VersionListRow>(version));
    return owned_.back().get();
}

int VersionListModel::PositionOf(const VersionListRow* row) const {
    const int group = GroupIndexOfId(row->groupId);
    if (group < 0)
        return -1;
    const auto& rows = groups_[size_t(group)];
    const auto it = std::find(rows.begin(), rows.end(), row);
    return it == rows.end() ? -1 : int(it - rows.begin());
}

int VersionListModel::SortedPosition(int groupIndex, const VersionListRow* row) const {
    const auto& rows = groups_[size_t(groupIndex)];
    const auto it = std::upper_bound(rows.begin(), rows.end(), row, RowBefore);
    return int(it - rows.begin());
}

void VersionListModel::SetRow(VersionListRow* row, const QString& caption, int groupId,
                              int imageIndex) {
    if (!row)
        return;
    const int to = GroupIndexOfId(groupId);
    if (fillDepth_ > 0 && row->groupId < 0 && to >= 0) {
        row->caption = caption;
        row->imageIndex = imageIndex;
        row->number = row->Version()->Nr();
        row->groupId = groupId;
        gathered_[size_t(to)].push_back(row);
        return;
    }
    InsertGathered();
    row->caption = caption;
    row->imageIndex = imageIndex;
    row->number = row->Version()->Nr();
    const int from = GroupIndexOfId(row->groupId);
    const int position = PositionOf(row);
    if (from == to && position >= 0) {
        row->groupId = groupId;
        emit dataChanged(IndexOf(row, 0), IndexOf(row, ColumnCount - 1));
        return;
    }
    if (position < 0) {
        row->groupId = groupId;
        if (to < 0)
            return;
        const int at = SortedPosition(to, row);
        beginInsertRows(GroupIndex(to), at, at);
        auto& rows = groups_[size_t(to)];
        rows.insert(rows.begin() + at, row);
        endInsertRows();
        return;
    }
    if (to < 0) {
        beginRemoveRows(GroupIndex(from), position, position);
        auto& rows = groups_[size_t(from)];
        rows.erase(rows.begin() + position);
        row->groupId = groupId;
        endRemoveRows();
        return;
    }
    // A state change: the row moves to the other group, in order there.
    const int at = SortedPosition(to, row);
    beginMoveRows(GroupIndex(from), position, position, GroupIndex(to), at);
    auto& source = groups_[size_t(from)];
    source.erase(source.begin() + position);
    auto& target = groups_[size_t(to)];
    target.insert(target.begin() + at, row);
    row->groupId = groupId;
    endMoveRows();
    emit dataChanged(IndexOf(row, 0), IndexOf(row, ColumnCount - 1));
}

void VersionListModel::BeginFill() {
    ++fillDepth_;
}

void VersionListModel::EndFill() {
    if (fillDepth_ > 0 && --fillDepth_ == 0)
        InsertGathered();
}

void VersionListModel::InsertGathered() {
    for (int group = 0; group < GroupCount; ++group) {
        std::vector<VersionListRow*> gathered;
        gathered.swap(gathered_[size_t(group)]);
        if (gathered.empty())
            continue;
        auto& rows = groups_[size_t(group)];
        if (!rows.empty()) {
            // Among rows the views know: one by one, each in its place.
            for (VersionListRow* row : gathered) {
                const int at = SortedPosition(group, row);
                beginInsertRows(GroupIndex(group), at, at);
                rows.insert(rows.begin() + at, row);
                endInsertRows();
            }
            continue;
        }
        // Where one by one would have put them: in order, equal rows in the
        // order they came.
        std::stable_sort(gathered.begin(), gathered.end(), RowBefore);
        beginInsertRows(GroupIndex(group), 0, int(gathered.size()) - 1);
        rows = std::move(gathered);
        endInsertRows();
    }
}

void VersionListModel::DestroyRow(VersionListRow* row) {
    InsertGathered();
    const int position = row ? PositionOf(row) : -1;
    if (position >= 0) {
        const int group = GroupIndexOfId(row->groupId);
        beginRemoveRows(GroupIndex(group), position, position);
        auto& rows = groups_[size_t(group)];
        rows.erase(rows.begin() + position);
        endRemoveRows();
    }
    owned_.erase(std::remove_if(owned_.begin(), owned_.end(),
                                [row](const auto& owned) { return owned.get() == row; }),
                 owned_.end());
}

void VersionListModel::DestroyAllRows() {
    for (auto& gathered : gathered_)
        gathered.clear();
    // Row by group rather than a reset, which would also take the views'
    // group roots away.
    for (int group = 0; group < GroupCount; ++group) {
        auto& rows = groups_[size_t(group)];
        if (rows.empty())
            continue;
        beginRemoveRows(GroupIndex(group), 0, int(rows.size()) - 1);
        rows.clear();
        endRemoveRows();
    }
    owned_.clear();
}

void VersionListModel::SetGroupHeader(int groupIndex, const QString& header) {
    if (groupIndex < 0 || groupIndex >= GroupCount)
        return;
    headers_[size_t(groupIndex)] = header;
    const QModelIndex group = GroupIndex(groupIndex);
    emit dataChanged(group, group);
}

QString VersionListModel::GroupHeader(int groupIndex) const {
    if (groupIndex < 0 || groupIndex >= GroupCount)
        return QString();
    return headers_[size_t(groupIndex)];
}

void VersionListModel::Sort() {
    InsertGathered();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<VersionListRow*, int>> held;
    held.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        held.emplace_back(RowAt(index), index.column());
    for (auto& rows : groups_)
        std::stable_sort(rows.begin(), rows.end(), RowBefore);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto& [row, column] = held[size_t(i)];
        after << (row ? IndexOf(row, column) : before[i]);
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QModelIndex VersionListModel::GroupIndex(int groupIndex) const {
    if (groupIndex < 0 || groupIndex >= GroupCount)
        return QModelIndex();
    return createIndex(groupIndex, 0, nullptr);
}

QModelIndex VersionListModel::IndexOf(const VersionListRow* row, int column) const {
    const int position = row ? PositionOf(row) : -1;
    if (position < 0)
        return QModelIndex();
    return createIndex(position, column, const_cast<VersionListRow*>(row));
}

VersionListRow* VersionListModel::RowAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<VersionListRow*>(index.internalPointer());
}

VersionListRow* VersionListModel::RowIn(int groupIndex, int position) const {
    if (groupIndex < 0 || groupIndex >= GroupCount)
        return nullptr;
    const auto& rows = groups_[size_t(groupIndex)];
    if (position < 0 || position >= int(rows.size()))
        return nullptr;
    return rows[size_t(position)];
}

QModelIndex VersionListModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount)
        return QModelIndex();
    if (!parent.isValid()) {
        if (row < 0 || row >= GroupCount)
            return QModelIndex();
        return createIndex(row, column, nullptr);
    }
    if (RowAt(parent) || parent.column() != 0)
        return QModelIndex();
    VersionListRow* entry = RowIn(parent.row(), row);
    return entry ? createIndex(row, column, entry) : QModelIndex();
}

QModelIndex VersionListModel::parent(const QModelIndex& child) const {
    const VersionListRow* row = RowAt(child);
    if (!row)
        return QModelIndex();
    return GroupIndex(GroupIndexOfId(row->groupId));
}

int VersionListModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return GroupCount;
    if (RowAt(parent) || parent.column() != 0)
        return 0;
    return RowCountIn(parent.row());
}

int VersionListModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant VersionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const VersionListRow* row = RowAt(index);
    if (!row) {
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? QVariant(GroupHeader(index.row())) : QVariant();
        case IsGroupRole:
            return true;
        case Qt::FontRole: {
            QFont font;
            font.setBold(true);
            return font;
        }
        case Qt::ForegroundRole:
            return QBrush(QColor(0x1e, 0x32, 0x87));
        default:
            return QVariant();
        }
    }
    if (index.column() != 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return row->caption;
    case Qt::DecorationRole:
        if (row->imageIndex >= 0 && row->imageIndex < int(pictures_.size()))
            return pictures_[size_t(row->imageIndex)];
        return QVariant();
    case Qt::ToolTipRole:
        return ToolTip(*row->Version());
    case IsGroupRole:
        return false;
    default:
        return QVariant();
    }
}

Qt::ItemFlags VersionListModel::flags(const QModelIndex& index) const {
    if (!RowAt(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant VersionListModel::headerData(int, Qt::Orientation, int role) const {
    // The three columns have no captions.
    return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}
