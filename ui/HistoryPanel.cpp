#include "ui/HistoryPanel.h"

#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/VersionConsts.h"
#include "ui/QuietProgress.h"
#include "versioning/CheckInSearch.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// How long the reading may hold the window before progress shows.
constexpr qint64 QuietMilliseconds = 300;
// A workspace's rows are many: the filter waits for a pause in the typing.
constexpr int WorkspaceFilterDelay = 150;

enum Column {
    ClientColumn,
    ProjectColumn,
    VersionColumn,
    ParentColumn,
    StateColumn,
    OwnerColumn,
    DateColumn,
    DescriptionColumn,
    ColumnCount
};

QString Key(const QString& client, const QString& project, const QString& version) {
    return client + u'/' + project + u'/' + version;
}

QString Key(const ProjectHistory::Row& row) {
    return Key(row.client, row.project, row.version);
}

} // namespace

HistoryPanel::HistoryPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("History"), parent), filter_(new QLineEdit), scope_(new QComboBox),
      list_(new QTreeWidget), filterDelay_(new QTimer(this)) {
    setObjectName(QStringLiteral("HistoryPanel"));
    // It stands in the window's version column, which is not a dock area.
    setFeatures(QDockWidget::DockWidgetClosable);

    filter_->setObjectName(QStringLiteral("HistoryFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filter by description, owner or version"));
    filter_->setClearButtonEnabled(true);
    filter_->installEventFilter(this);
    scope_->setObjectName(QStringLiteral("HistoryScope"));
    scope_->addItems({QStringLiteral("This project"), QStringLiteral("Whole workspace")});
    scope_->setToolTip(QStringLiteral("Where to look: the listed project's versions, or every "
                                      "version in the workspace"));

    list_->setObjectName(QStringLiteral("HistoryList"));
    list_->setColumnCount(ColumnCount);
    list_->setHeaderLabels({QStringLiteral("Client"), QStringLiteral("Project"),
                            QStringLiteral("Version"), QStringLiteral("Parent"),
                            QStringLiteral("State"), QStringLiteral("Owner"),
                            QStringLiteral("Date"), QStringLiteral("Description")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(DescriptionColumn, QHeaderView::Stretch);
    // Widths from the rows on screen and a few around them: measuring
    // every row of a long history cost a third of showing it.
    list_->header()->setResizeContentsPrecision(200);
    list_->installEventFilter(this);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(scope_);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    setWidget(content);

    filterDelay_->setSingleShot(true);
    filterDelay_->setInterval(WorkspaceFilterDelay);
    connect(filterDelay_, &QTimer::timeout, this, &HistoryPanel::ApplyFilter);
    connect(filter_, &QLineEdit::textChanged, this, [this] {
        if (CurrentScope() == Scope::Workspace)
            filterDelay_->start();
        else
            ApplyFilter();
    });
    connect(scope_, &QComboBox::currentIndexChanged, this, [this] {
        const bool workspace = CurrentScope() == Scope::Workspace;
        list_->setColumnHidden(ClientColumn, !workspace);
        list_->setColumnHidden(ProjectColumn, !workspace);
        rows_.clear();
        ApplyFilter();
        ShowTitle();
        Invalidate();
    });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* row) {
        if (!filling_)
            Emit(row, false);
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { Emit(row, true); });
    SetScope(Scope::Project);
}

HistoryPanel::~HistoryPanel() = default;

HistoryPanel::Scope HistoryPanel::CurrentScope() const {
    return scope_->currentIndex() == 1 ? Scope::Workspace : Scope::Project;
}

void HistoryPanel::SetScope(Scope scope) {
    const int index = scope == Scope::Workspace ? 1 : 0;
    if (scope_->currentIndex() != index)
        scope_->setCurrentIndex(index);
    else
        emit scope_->currentIndexChanged(index);
}

void HistoryPanel::SetFilterText(const QString& text) {
    filter_->setText(text);
    filterDelay_->stop();
    ApplyFilter();
}

void HistoryPanel::Invalidate() {
    stale_ = true;
    if (isVisible())
        ScheduleRefresh();
}

void HistoryPanel::FollowListedProject(const QString& client, const QString& project) {
    if (client == client_ && project == project_)
        return;
    client_ = client;
    project_ = project;
    if (CurrentScope() == Scope::Project) {
        ShowTitle();
        Invalidate();
    }
}

void HistoryPanel::ShowTitle() {
    if (CurrentScope() == Scope::Workspace)
        setWindowTitle(QStringLiteral("History of the workspace"));
    else if (project_.isEmpty())
        setWindowTitle(QStringLiteral("History"));
    else
        setWindowTitle(QStringLiteral("History of %1 / %2").arg(client_, project_));
}

void HistoryPanel::ScheduleRefresh() {
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        if (stale_ && isVisible())
            Refresh();
    });
}

void HistoryPanel::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (stale_)
        ScheduleRefresh();
}

bool HistoryPanel::Refresh() {
    if (gathering_)
        return false;
    // A catalogue being read is not complete; it is read when it is.
    if (!ProjectMngr || ProjectMngr->Busy() || !ProjectMngr->Clients()) {
        if (ProjectMngr && ProjectMngr->Busy())
            QTimer::singleShot(200, this, [this] { Invalidate(); });
        return false;
    }
    gathering_ = true;
    stale_ = false;
    // A data file that cannot be read ends the read with an error; the
    // rows are read again at the next change or showing.
    auto failed = qScopeGuard([this] {
        gathering_ = false;
        stale_ = true;
    });
    const quint64 generation = ProjectMngr->CatalogueGeneration();
    const QLocale locale = QLocale::system();
    bool replaced = false;
    bool complete = true;
    std::vector<ProjectHistory::Row> rows;
    QHash<QString, QString> unreadable;
    {
        QuietProgress progress(window(), QStringLiteral("HistoryProgress"), windowTitle(),
                               QStringLiteral("Reading the versions..."), QuietMilliseconds);
        const auto step = [&](int done, int total) {
            const bool goOn = progress.Step(done, total);
            replaced = ProjectMngr->CatalogueGeneration() != generation;
            return goOn && !replaced;
        };
        // One version that cannot be read shows as such among the others.
        const auto note = [&](const ProjectHistory::Row& row, const QString& reason) {
            unreadable.insert(Key(row), reason);
        };
        if (CurrentScope() == Scope::Workspace) {
            CheckInSearch every{QString()};
            complete = every.Search(ProjectMngr->Clients(), locale, step, note);
            rows = every.Results();
        } else if (const TProject* project =
                       VersionMngr ? VersionMngr->InstalledProject() : nullptr) {
            ProjectHistory history;
            complete = history.Read(project, locale, step, note);
            rows = history.Rows();
        }
    }
    failed.dismiss();
    gathering_ = false;
    if (!complete) {
        stale_ = true;
        // A new catalogue is read afresh; a cancelled read waits for the
        // next change or showing.
        if (replaced) {
            ScheduleRefresh();
        } else {
            // The rows shown are not the ones asked for: the title says so
            // until History is chosen again.
            ShowTitle();
            setWindowTitle(windowTitle() + QStringLiteral(" (reading cancelled)"));
        }
        return false;
    }
    ShowTitle();
    rows_ = std::move(rows);
    unreadable_ = std::move(unreadable);
    ApplyFilter();
    return true;
}

void HistoryPanel::ApplyFilter() {
    filterDelay_->stop();
    const std::vector<ProjectHistory::Row> shown = CheckInSearch(filter_->text()).Filter(rows_);
    QString selected;
    if (const QTreeWidgetItem* row = list_->currentItem())
        selected = row->data(VersionColumn, Qt::UserRole).toString();
    filling_ = true;
    const auto filled = qScopeGuard([this] { filling_ = false; });
    list_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(shown.size()));
    QTreeWidgetItem* current = nullptr;
    for (const ProjectHistory::Row& row : shown) {
        const QString key = Key(row);
        const bool unreadable = row.record == ProjectHistory::Record::Unreadable;
        auto* item = new QTreeWidgetItem(
            QStringList{row.client, row.project, row.version, row.parent,
                        unreadable ? QStringLiteral("cannot be read") : StateName(row.state),
                        row.owner, row.dateTime, row.FirstLine()});
        item->setData(VersionColumn, Qt::UserRole, key);
        // The whole description, or why there is none.
        const QString tip = unreadable ? unreadable_.value(key) : row.description;
        if (!tip.isEmpty())
            item->setToolTip(DescriptionColumn, tip);
        if (unreadable)
            item->setToolTip(StateColumn, tip);
        if (key == selected)
            current = item;
        items << item;
    }
    list_->addTopLevelItems(items);
    if (current)
        list_->setCurrentItem(current);
}

void HistoryPanel::ShowCurrent(const QString& client, const QString& project,
                               const QString& version) {
    const QString key = Key(client, project, version);
    QTreeWidgetItem* current = list_->currentItem();
    if (current && current->data(VersionColumn, Qt::UserRole).toString() == key)
        return;
    filling_ = true;
    const auto done = qScopeGuard([this] { filling_ = false; });
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        if (row->data(VersionColumn, Qt::UserRole).toString() == key) {
            list_->setCurrentItem(row);
            list_->scrollToItem(row);
            return;
        }
    }
    list_->setCurrentItem(nullptr);
}

QStringList HistoryPanel::Rows() const {
    QStringList rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        QStringList columns;
        for (int column = 0; column < ColumnCount; ++column) {
            if (!list_->isColumnHidden(column))
                columns << row->text(column);
        }
        rows << columns.join(QStringLiteral(" | "));
    }
    return rows;
}

void HistoryPanel::Emit(QTreeWidgetItem* row, bool compare) {
    if (!row)
        return;
    const QString client = row->text(ClientColumn);
    const QString project = row->text(ProjectColumn);
    const QString version = row->text(VersionColumn);
    if (compare)
        emit compareWanted(client, project, version);
    else
        emit versionSelected(client, project, version);
}

bool HistoryPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == list_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            Emit(list_->currentItem(), true);
            return true;
        }
        // From the filter down into the rows it left.
        if (watched == filter_ && key == Qt::Key_Down && list_->topLevelItemCount() > 0) {
            list_->setFocus();
            if (!list_->currentItem())
                list_->setCurrentItem(list_->topLevelItem(0));
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}
