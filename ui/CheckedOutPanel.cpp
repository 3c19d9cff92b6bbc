#include "ui/CheckedOutPanel.h"

#include "catalogue/TClients.h"
#include "catalogue/VersionConsts.h"
#include "ui/QuietProgress.h"
#include "ui/TreeWidgetRows.h"
#include "workspace/TProjectManager.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

// How long the gathering may hold the window before progress shows.
constexpr qint64 QuietMilliseconds = 300;

// The version's name says where it came from and whose it is.
enum Column { ClientColumn, ProjectColumn, VersionColumn, DateColumn, DaysColumn, ColumnCount };

// The version's folder name, beside its longer shown name.
constexpr int FolderRole = Qt::UserRole;

} // namespace

CheckedOutPanel::CheckedOutPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Checked-out versions"), parent), list_(new QTreeWidget) {
    setObjectName(QStringLiteral("CheckedOutPanel"));
    // It stands in the window's version column, which is not a dock area.
    setFeatures(QDockWidget::DockWidgetClosable);
    list_->setObjectName(QStringLiteral("CheckedOutList"));
    list_->setColumnCount(ColumnCount);
    list_->setHeaderLabels({QStringLiteral("Client"), QStringLiteral("Project"),
                            QStringLiteral("Version"), QStringLiteral("Checked out"),
                            QStringLiteral("Days ago")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    list_->installEventFilter(this);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { Choose(row); });
    setWidget(list_);
}

CheckedOutPanel::~CheckedOutPanel() = default;

void CheckedOutPanel::Invalidate() {
    stale_ = true;
    if (isVisible())
        ScheduleRefresh();
}

void CheckedOutPanel::ScheduleRefresh() {
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        if (stale_ && isVisible())
            Refresh();
    });
}

void CheckedOutPanel::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (stale_)
        ScheduleRefresh();
}

bool CheckedOutPanel::Refresh() {
    if (gathering_)
        return false;
    // A catalogue being read is not complete; it is listed when it is.
    if (!ProjectMngr || ProjectMngr->Busy() || !ProjectMngr->Clients()) {
        if (ProjectMngr && ProjectMngr->Busy())
            QTimer::singleShot(200, this, [this] { Invalidate(); });
        return false;
    }
    gathering_ = true;
    stale_ = false;
    // A data file that cannot be read ends the read with an error; the
    // list is read again at the next change or showing.
    auto failed = qScopeGuard([this] {
        gathering_ = false;
        stale_ = true;
    });
    const TVersionCollection* clients = ProjectMngr->Clients();
    const quint64 generation = ProjectMngr->CatalogueGeneration();
    bool replaced = false;
    CheckedOutVersions gathered;
    bool complete;
    {
        QuietProgress progress(window(), QStringLiteral("CheckedOutProgress"),
                               QStringLiteral("Checked-out versions"),
                               QStringLiteral("Reading the versions..."), QuietMilliseconds);
        complete = gathered.Gather(clients, [&](int done, int total) {
            const bool goOn = progress.Step(done, total);
            replaced = ProjectMngr->CatalogueGeneration() != generation;
            return goOn && !replaced;
        });
    }
    failed.dismiss();
    gathering_ = false;
    if (!complete) {
        stale_ = true;
        // A new catalogue is read afresh; a cancelled read waits for the
        // next change or showing.
        if (replaced)
            ScheduleRefresh();
        return false;
    }
    Fill(gathered.OldestFirst(QLocale::system()));
    return true;
}

void CheckedOutPanel::Fill(const std::vector<CheckedOutVersions::Entry>& entries) {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    // The same version stays selected when it is still there.
    QStringList selected;
    if (QTreeWidgetItem* row = list_->currentItem())
        selected = {row->text(ClientColumn), row->text(ProjectColumn),
                    row->data(VersionColumn, FolderRole).toString()};
    list_->clear();
    QList<QTreeWidgetItem*> rows;
    QTreeWidgetItem* current = nullptr;
    for (const CheckedOutVersions::Entry& entry : entries) {
        const std::optional<QDateTime> when =
            CheckedOutVersions::ParseTime(entry.checkedOut, locale);
        const QString days =
            when ? QString::number(CheckedOutVersions::DaysAgo(*when, now)) : QString();
        const QString name =
            VersionLongName(entry.version, vsCheckedOut, entry.parentVersion, entry.owner);
        auto* row = new QTreeWidgetItem(
            QStringList{entry.client, entry.project, name, entry.checkedOut, days});
        row->setData(VersionColumn, FolderRole, entry.version);
        row->setTextAlignment(DaysColumn, Qt::AlignRight | Qt::AlignVCenter);
        if (QStringList{entry.client, entry.project, entry.version} == selected)
            current = row;
        rows << row;
    }
    list_->addTopLevelItems(rows);
    if (current)
        list_->setCurrentItem(current);
}

QStringList CheckedOutPanel::Rows() const {
    return TreeWidgetRows(*list_);
}

void CheckedOutPanel::Choose(QTreeWidgetItem* row) {
    if (row)
        emit versionChosen(row->text(ClientColumn), row->text(ProjectColumn),
                           row->data(VersionColumn, FolderRole).toString());
}

bool CheckedOutPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Choose(list_->currentItem());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}
