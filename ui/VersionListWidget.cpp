#include "ui/VersionListWidget.h"

#include "ui/GroupListView.h"
#include "ui/VersionListDelegate.h"
#include "ui/VersionListModel.h"
#include "ui/VersionListRow.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Views get their own selection model from setModel; all of ours share one.
void ShareSelection(QAbstractItemView* view, QItemSelectionModel* shared) {
    QItemSelectionModel* own = view->selectionModel();
    view->setSelectionModel(shared);
    if (own != shared)
        delete own;
}

} // namespace

VersionListWidget::VersionListWidget(QWidget* parent)
    : QWidget(parent), model_(new VersionListModel(this)),
      selection_(new QItemSelectionModel(model_, this)), stack_(new QStackedWidget(this)),
      report_(new QTreeView), iconPage_(new QScrollArea), hint_(new QLabel) {
    setObjectName(QStringLiteral("lvVersionView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);

    report_->setObjectName(QStringLiteral("lvVersionViewReport"));
    report_->setModel(model_);
    ShareSelection(report_, selection_);
    report_->setRootIsDecorated(false);
    report_->setItemsExpandable(false);
    report_->setExpandsOnDoubleClick(false);
    report_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    report_->setSelectionMode(QAbstractItemView::SingleSelection);
    report_->setSelectionBehavior(QAbstractItemView::SelectRows);
    report_->setAllColumnsShowFocus(true);
    report_->setIndentation(10);
    report_->setIconSize(QSize(32, 32));
    report_->header()->setStretchLastSection(false);
    report_->header()->resizeSection(0, 260);
    report_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(report_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit contextMenuWanted(report_->viewport()->mapToGlobal(pos));
    });
    stack_->addWidget(report_);

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("lvVersionViewGroups"));
    page->setBackgroundRole(QPalette::Base);
    page->setAutoFillBackground(true);
    auto* groups = new QVBoxLayout(page);
    groups->setContentsMargins(4, 2, 4, 2);
    groups->setSpacing(2);
    auto* delegate = new VersionListDelegate(this);
    for (int group = 0; group < VersionListModel::GroupCount; ++group) {
        auto* header = new QLabel(page);
        header->setObjectName(QStringLiteral("lvVersionViewHeader%1").arg(group));
        header->setStyleSheet(
            QStringLiteral("QLabel { color: #1e3287; font-weight: bold; padding: 4px 2px 2px 2px;"
                           " border-bottom: 1px solid #9db1d8; }"));
        auto* list = new GroupListView(page);
        list->setObjectName(QStringLiteral("lvVersionViewGroup%1").arg(group));
        list->setModel(model_);
        list->setItemDelegate(delegate);
        ShareSelection(list, selection_);
        list->setRootIndex(model_->GroupIndex(group));
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
            emit contextMenuWanted(list->viewport()->mapToGlobal(pos));
        });
        connect(list, &GroupListView::leaveGroup, this,
                [this, group](int direction) { EnterGroup(group, direction); });
        groups->addWidget(header);
        groups->addWidget(list);
        headers_[size_t(group)] = header;
        lists_[size_t(group)] = list;
    }
    groups->addStretch(1);
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(page, &QWidget::customContextMenuRequested, this,
            [this, page](const QPoint& pos) { emit contextMenuWanted(page->mapToGlobal(pos)); });
    iconPage_->setWidget(page);
    iconPage_->setWidgetResizable(true);
    iconPage_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    iconPage_->setBackgroundRole(QPalette::Base);
    stack_->addWidget(iconPage_);

    hint_->setObjectName(QStringLiteral("lvVersionViewHint"));
    hint_->setTextFormat(Qt::RichText);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint_->setContentsMargins(24, 20, 24, 20);
    hint_->setBackgroundRole(QPalette::Base);
    hint_->setAutoFillBackground(true);
    hint_->setTextInteractionFlags(Qt::NoTextInteraction);
    stack_->addWidget(hint_);

    connect(selection_, &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChanged(SelectedVersion()); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &VersionListWidget::UpdateGroups);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &VersionListWidget::UpdateGroups);
    connect(model_, &QAbstractItemModel::rowsMoved, this, &VersionListWidget::UpdateGroups);
    connect(model_, &QAbstractItemModel::dataChanged, this, &VersionListWidget::UpdateGroups);

    UpdateGroups();
    SetViewStyle(LargeIcons);
}

VersionListWidget::~VersionListWidget() {
    // The rows go with the widgets; no version may keep pointing at one.
    ForgetAllRows();
}

void VersionListWidget::SetPictures(const std::vector<QIcon>& pictures) {
    model_->SetPictures(pictures);
}

void VersionListWidget::SetViewStyle(int style) {
    style_ = style;
    if (style != Report)
        ApplyStyleToLists();
    ShowPage();
}

void VersionListWidget::ShowPage() {
    if (IsHintShown()) {
        stack_->setCurrentWidget(hint_);
        setFocusProxy(nullptr);
    } else if (style_ == Report) {
        stack_->setCurrentWidget(report_);
        setFocusProxy(report_);
    } else {
        stack_->setCurrentWidget(iconPage_);
        setFocusProxy(nullptr);
    }
}

void VersionListWidget::SetHint(const QString& text) {
    if (text == hint_->text())
        return;
    hint_->setText(text);
    ShowPage();
}

QString VersionListWidget::Hint() const {
    return hint_->text();
}

bool VersionListWidget::IsHintShown() const {
    return !hint_->text().isEmpty();
}

void VersionListWidget::ApplyStyleToLists() {
    for (GroupListView* list : lists_) {
        switch (style_) {
        case SmallIcons:
            list->setViewMode(QListView::ListMode);
            list->setFlow(QListView::LeftToRight);
            list->setWrapping(true);
            list->setIconSize(QSize(32, 32));
            list->setGridSize(QSize(270, 40));
            list->setWordWrap(false);
            break;
        case List:
            list->setViewMode(QListView::ListMode);
            list->setFlow(QListView::TopToBottom);
            list->setWrapping(false);
            list->setIconSize(QSize(32, 32));
            list->setGridSize(QSize());
            list->setSpacing(1);
            list->setWordWrap(false);
            break;
        default: {
            list->setViewMode(QListView::IconMode);
            list->setFlow(QListView::LeftToRight);
            list->setWrapping(true);
            list->setIconSize(QSize(64, 64));
            // Two lines of caption under the picture, in any font.
            const int entry = VersionListDelegate::IconEntryHeight(list, list->font(), 64);
            list->setGridSize(QSize(150, std::max(112, entry + 8)));
            list->setWordWrap(true);
            break;
        }
        }
        list->setMovement(QListView::Static);
        list->setResizeMode(QListView::Adjust);
        list->doItemsLayout();
    }
}

QWidget* VersionListWidget::CurrentView() const {
    return style_ == Report ? static_cast<QWidget*>(report_) : iconPage_;
}

VersionListRow* VersionListWidget::CreateRow(TVersion* version) {
    return model_->CreateRow(version);
}

void VersionListWidget::DestroyRow(VersionListRow* row) {
    model_->DestroyRow(row);
}

void VersionListWidget::DestroyAllRows() {
    model_->DestroyAllRows();
    // Another listing starts at its top, with its group header in sight.
    iconPage_->verticalScrollBar()->setValue(0);
    report_->scrollToTop();
}

void VersionListWidget::SetRow(VersionListRow* row, const QString& caption, int groupId,
                               int imageIndex) {
    model_->SetRow(row, caption, groupId, imageIndex);
}

void VersionListWidget::SetGroupHeader(int groupIndex, const QString& header) {
    model_->SetGroupHeader(groupIndex, header);
}

void VersionListWidget::Sort() {
    model_->Sort();
}

void VersionListWidget::SelectRow(VersionListRow* row) {
    model_->InsertGathered();
    const QModelIndex index = model_->IndexOf(row);
    if (!index.isValid())
        return;
    selection_->setCurrentIndex(index,
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (style_ == Report) {
        report_->scrollTo(index);
        return;
    }
    GroupListView* list = lists_[size_t(index.parent().row())];
    const QRect rect = list->visualRect(index);
    const QPoint centre = list->mapTo(iconPage_->widget(), rect.center());
    iconPage_->ensureVisible(centre.x(), centre.y(), rect.width() / 2 + 4, rect.height() / 2 + 4);
}

bool VersionListWidget::IsRowSelected(const VersionListRow* row) const {
    model_->InsertGathered();
    const QModelIndex index = model_->IndexOf(row);
    return index.isValid() && selection_->isSelected(index);
}

void VersionListWidget::BeginUpdate() {
    if (updateDepth_++ == 0) {
        setUpdatesEnabled(false);
        model_->BeginFill();
    }
}

void VersionListWidget::EndUpdate() {
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ == 0) {
        model_->EndFill();
        UpdateGroups();
        setUpdatesEnabled(true);
    }
}

TVersion* VersionListWidget::SelectedVersion() const {
    const QModelIndexList selected = selection_->selectedIndexes();
    for (const QModelIndex& index : selected) {
        if (VersionListRow* row = model_->RowAt(index))
            return row->Version();
    }
    return nullptr;
}

QStringList VersionListWidget::Captions(int groupIndex) const {
    QStringList captions;
    for (int i = 0; i < model_->RowCountIn(groupIndex); ++i)
        captions << model_->RowIn(groupIndex, i)->caption;
    return captions;
}

QString VersionListWidget::GroupHeader(int groupIndex) const {
    return model_->GroupHeader(groupIndex);
}

bool VersionListWidget::IsGroupShown(int groupIndex) const {
    if (style_ == Report)
        return !report_->isRowHidden(groupIndex, QModelIndex());
    return !headers_[size_t(groupIndex)]->isHidden() && !lists_[size_t(groupIndex)]->isHidden();
}

void VersionListWidget::UpdateGroups() {
    if (updateDepth_ > 0)
        return;
    for (int group = 0; group < VersionListModel::GroupCount; ++group) {
        const bool shown = model_->RowCountIn(group) > 0;
        headers_[size_t(group)]->setText(model_->GroupHeader(group));
        headers_[size_t(group)]->setHidden(!shown);
        lists_[size_t(group)]->setHidden(!shown);
        report_->setRowHidden(group, QModelIndex(), !shown);
        report_->setFirstColumnSpanned(group, QModelIndex(), true);
        report_->expand(model_->GroupIndex(group));
    }
}

void VersionListWidget::EnterGroup(int fromGroup, int direction) {
    for (int group = fromGroup + direction; group >= 0 && group < VersionListModel::GroupCount;
         group += direction) {
        const int rows = model_->RowCountIn(group);
        if (rows == 0)
            continue;
        VersionListRow* row = model_->RowIn(group, direction > 0 ? 0 : rows - 1);
        GroupListView* list = lists_[size_t(group)];
        list->setFocus(Qt::OtherFocusReason);
        SelectRow(row);
        return;
    }
}
