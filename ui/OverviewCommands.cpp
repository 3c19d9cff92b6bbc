#include "ui/OverviewCommands.h"

#include "catalogue/NameLookup.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/VersionListView.h"
#include "platform/UserInterface.h"
#include "ui/ArchiveSender.h"
#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/CompareDialog.h"
#include "ui/HistoryPanel.h"
#include "ui/ImageList.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelApplication.h"
#include "ui/VersionListWidget.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

// The window's commands after which other versions may be checked out.
const char* const changingCommands[] = {
    "CheckInAction",          "CheckOutAction",     "CheckInOutAction",   "UndoCheckoutAction",
    "DelClientAction",        "RenameClientAction", "DelProjectAction",   "RenameProjectAction",
    "RefreshWorkspaceAction", "BrowseForFolder1",   "RecentOpenendAction"};

bool CatalogueIdle() {
    return VersionMngr && ProjectMngr && !ProjectMngr->Busy();
}

} // namespace

OverviewCommands::OverviewCommands(TMainForm* window)
    : QObject(window), window_(window), panel_(new CheckedOutPanel(window)),
      checkedOutAction_(new QAction(QStringLiteral("Checked-out versions"), window)),
      compareParentAction_(new QAction(QStringLiteral("Compare with Parent"), window)),
      compareOtherAction_(new QAction(QStringLiteral("Compare With"), window)),
      historyAction_(new QAction(QStringLiteral("History"), window)),
      sendArchiveAction_(new QAction(QStringLiteral("Send as Archive..."), window)),
      compareMenu_(new QMenu(window)) {
    history_ = new HistoryPanel(window);
    sender_ = new ArchiveSender(window);
    setObjectName(QStringLiteral("OverviewCommands"));
    checkedOutAction_->setObjectName(QStringLiteral("CheckedOutListAction"));
    checkedOutAction_->setIconText(QStringLiteral("&All Checked Out"));
    checkedOutAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+L")));
    compareParentAction_->setObjectName(QStringLiteral("CompareParentAction"));
    compareParentAction_->setIconText(QStringLiteral("Compare with &Parent"));
    compareParentAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    compareOtherAction_->setObjectName(QStringLiteral("CompareOtherAction"));
    compareOtherAction_->setIconText(QStringLiteral("Compare &With"));
    compareOtherAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+W")));
    compareOtherAction_->setMenu(compareMenu_);
    compareMenu_->setObjectName(QStringLiteral("CompareMenu"));
    historyAction_->setObjectName(QStringLiteral("HistoryAction"));
    historyAction_->setIconText(QStringLiteral("&History"));
    historyAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+H")));
    historyAction_->setIcon(ImageList::CommandIcon(ImageList::History));
    sendArchiveAction_->setObjectName(QStringLiteral("SendArchiveAction"));
    sendArchiveAction_->setIconText(QStringLiteral("&Send as Archive"));
    sendArchiveAction_->setIcon(ImageList::CommandIcon(ImageList::SendArchive));
    checkedOutAction_->setIcon(ImageList::CommandIcon(ImageList::CheckedOutList));
    compareParentAction_->setIcon(ImageList::CommandIcon(ImageList::CompareWithParent));
    compareOtherAction_->setIcon(ImageList::CommandIcon(ImageList::CompareWithOther));
    // Shortcuts work whichever ribbon tab shows.
    for (QAction* action :
         {checkedOutAction_, compareParentAction_, compareOtherAction_, historyAction_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }

    RibbonBar* ribbon = window->Ribbon();
    const int tab = ribbon->AddTab(QStringLiteral("O&verview"));
    RibbonGroup* checkedOut = ribbon->AddGroup(tab, QStringLiteral("Check-outs"));
    checkedOut->AddLargeButton(checkedOutAction_);
    RibbonGroup* compare = ribbon->AddGroup(tab, QStringLiteral("Compare"));
    compare->AddLargeButton(compareParentAction_);
    QToolButton* other = compare->AddLargeButton(compareOtherAction_);
    other->setPopupMode(QToolButton::InstantPopup);
    RibbonGroup* versions = ribbon->AddGroup(tab, QStringLiteral("Versions"));
    versions->AddLargeButton(historyAction_);
    versions->AddLargeButton(sendArchiveAction_);

    // Also where a version is chosen: the version list's context menu.
    QMenu* versionMenu = window->VersionMenu();
    versionMenu->addSeparator();
    versionMenu->addAction(compareParentAction_);
    versionMenu->addAction(compareOtherAction_);
    versionMenu->addSeparator();
    versionMenu->addAction(historyAction_);
    versionMenu->addAction(sendArchiveAction_);
    // And where a project is chosen: the tree's.
    window->ProjectMenu()->addSeparator();
    window->ProjectMenu()->addAction(historyAction_);

    panel_->hide();
    history_->hide();

    connect(checkedOutAction_, &QAction::triggered, this, &OverviewCommands::ShowCheckedOut);
    connect(panel_, &CheckedOutPanel::versionChosen, this,
            [this](const QString& client, const QString& project, const QString& version) {
                SelectVersion(client, project, version);
            });
    connect(historyAction_, &QAction::triggered, this, &OverviewCommands::ShowHistory);
    connect(sendArchiveAction_, &QAction::triggered, this, &OverviewCommands::SendArchive);
    connect(history_, &HistoryPanel::versionSelected, this,
            [this](const QString& client, const QString& project, const QString& version) {
                historyCurrent_ = client + u'/' + project + u'/' + version;
                SelectVersion(client, project, version, false);
            });
    connect(history_, &HistoryPanel::compareWanted, this, &OverviewCommands::CompareFromHistory);
    connect(compareParentAction_, &QAction::triggered, this, [this] {
        if (TVersion* parent = ParentOfSelected())
            CompareWith(parent);
    });
    connect(compareOtherAction_, &QAction::triggered, this, [this, other] {
        // The shortcut opens the menu at its button when the tab shows.
        QWidget* anchor =
            other->isVisible() ? static_cast<QWidget*>(other) : window_->VersionList();
        compareMenu_->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
    });
    connect(compareMenu_, &QMenu::aboutToShow, this, &OverviewCommands::FillCompareMenu);

    for (const char* name : changingCommands) {
        if (QAction* command = window->Command(QString::fromLatin1(name))) {
            connect(command, &QAction::triggered, panel_, &CheckedOutPanel::Invalidate);
            connect(command, &QAction::triggered, history_, &HistoryPanel::Invalidate);
        }
    }
    connect(window->RecentCombo(), &QComboBox::textActivated, panel_, &CheckedOutPanel::Invalidate);
    connect(window->RecentCombo(), &QComboBox::textActivated, history_, &HistoryPanel::Invalidate);
    connect(ribbon->ApplicationMenu(), &RibbonApplicationMenu::recentItemClicked, panel_,
            &CheckedOutPanel::Invalidate);
    connect(ribbon->ApplicationMenu(), &RibbonApplicationMenu::recentItemClicked, history_,
            &HistoryPanel::Invalidate);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &OverviewCommands::UpdateEnabled);
    }
    UpdateEnabled();
}

CompareDialog* OverviewCommands::Comparison() const {
    return comparison_.data();
}

void OverviewCommands::ShowCheckedOut() {
    window_->ShowUnderVersionList(panel_);
    panel_->Invalidate();
    panel_->List()->setFocus();
}

void OverviewCommands::ShowHistory() {
    FollowInHistory();
    window_->ShowUnderVersionList(history_);
    history_->Invalidate();
    history_->List()->setFocus();
}

void OverviewCommands::FollowInHistory() {
    const TProject* listed = CatalogueIdle() ? VersionMngr->InstalledProject() : nullptr;
    if (listed && listed->ParentItem())
        history_->FollowListedProject(listed->ParentItem()->Name(), listed->Name());
    else if (CatalogueIdle())
        history_->FollowListedProject(QString(), QString());
    // A version chosen in the list is the history's current row too.
    const TVersion* selected = CatalogueIdle() ? VersionMngr->ActiveVersion() : nullptr;
    QString key;
    if (selected && listed)
        key = listed->ParentItem()->Name() + u'/' + listed->Name() + u'/' + selected->Name();
    if (key != historyCurrent_ && !key.isEmpty() && history_->isVisible()) {
        historyCurrent_ = key;
        history_->ShowCurrent(key.section(u'/', 0, 0), key.section(u'/', 1, 1),
                              key.section(u'/', 2));
    }
}

void OverviewCommands::CompareFromHistory(const QString& client, const QString& project,
                                          const QString& version) {
    if (!SelectVersion(client, project, version, false))
        return;
    if (TVersion* parent = ParentOfSelected())
        CompareWith(parent);
    else
        User().ShowMessage(
            QStringLiteral("%1 has no parent version to compare with.").arg(version));
}

void OverviewCommands::SendArchive() {
    TVersion* selected = CatalogueIdle() ? VersionMngr->ActiveVersion() : nullptr;
    const TVersionItem* project = selected ? selected->ParentItem() : nullptr;
    if (!project || !project->ParentItem())
        return;
    // Names only: the catalogue may change while the archive is written.
    const QString client = project->ParentItem()->Name();
    const QString projectName = project->Name();
    const QString version = selected->Name();
    const QString folder = selected->Path();
    TQuorvelApplication::Guarded([&] { sender_->Send(client, projectName, version, folder); });
}

bool OverviewCommands::SelectVersion(const QString& client, const QString& project,
                                     const QString& version, bool focusList) {
    if (!CatalogueIdle() || !ProjectMngr->Clients())
        return false;
    TVersionItem* clientItem = NameLookup(*ProjectMngr->Clients(), client).Item();
    TVersionItem* projectItem =
        clientItem ? NameLookup(*clientItem->VersionCollection(), project).Item() : nullptr;
    if (!projectItem || !projectItem->GetTreeNode())
        return false;
    // Through the tree and the list, so that the window follows as it
    // follows a click.
    window_->Tree()->SelectNode(projectItem->GetTreeNode());
    auto* versionItem =
        static_cast<TVersion*>(NameLookup(*projectItem->VersionCollection(), version).Item());
    if (!versionItem || !versionItem->ListItem())
        return false;
    window_->VersionList()->SelectRow(versionItem->ListItem());
    if (focusList)
        window_->VersionList()->CurrentView()->setFocus();
    return VersionMngr->ActiveVersion() == versionItem;
}

TVersion* OverviewCommands::ParentOfSelected() {
    TVersion* selected = VersionMngr ? VersionMngr->ActiveVersion() : nullptr;
    if (!selected || selected->ParentVersion().isEmpty())
        return nullptr;
    TVersionItem* parent =
        NameLookup(*selected->ParentCollection(), selected->ParentVersion()).Item();
    return parent == selected ? nullptr : static_cast<TVersion*>(parent);
}

void OverviewCommands::CompareWith(TVersion* other) {
    TVersion* selected = VersionMngr ? VersionMngr->ActiveVersion() : nullptr;
    if (!CatalogueIdle() || !selected || !other || other == selected)
        return;
    TVersion* older = other->Nr() <= selected->Nr() ? other : selected;
    TVersion* newer = older == other ? selected : other;
    if (!comparison_)
        comparison_ = new CompareDialog(window_);
    TQuorvelApplication::Guarded([&] {
        if (comparison_->Compare(*older, *newer)) {
            comparison_->show();
            comparison_->raise();
            comparison_->activateWindow();
        }
    });
}

void OverviewCommands::FillCompareMenu() {
    compareMenu_->clear();
    TVersion* selected = VersionMngr ? VersionMngr->ActiveVersion() : nullptr;
    if (!selected || !CatalogueIdle())
        return;
    const TVersionCollection* collection = selected->ParentCollection();
    std::vector<TVersion*> versions;
    for (int i = 0; i < collection->Count(); ++i)
        versions.push_back(static_cast<TVersion*>(collection->GetItems(i)));
    // In the list's order, named as the other views name them.
    std::stable_sort(versions.begin(), versions.end(), [](const TVersion* a, const TVersion* b) {
        return VersionListView::CompareRows(a, b) < 0;
    });
    for (TVersion* version : versions) {
        if (version == selected)
            continue;
        QAction* entry = compareMenu_->addAction(version->LongName().replace(u'&', "&&"));
        const QString name = version->Name();
        connect(entry, &QAction::triggered, this, [this, name] {
            TVersion* current = VersionMngr ? VersionMngr->ActiveVersion() : nullptr;
            if (current) {
                if (TVersionItem* other = NameLookup(*current->ParentCollection(), name).Item())
                    CompareWith(static_cast<TVersion*>(other));
            }
        });
    }
}

void OverviewCommands::UpdateEnabled() {
    const bool idle = CatalogueIdle();
    const TVersion* selected = idle ? VersionMngr->ActiveVersion() : nullptr;
    checkedOutAction_->setEnabled(idle && !ProjectMngr->WorkSpace().isEmpty());
    compareParentAction_->setEnabled(selected && ParentOfSelected());
    compareOtherAction_->setEnabled(selected && selected->ParentCollection()->Count() > 1);
    historyAction_->setEnabled(idle && !ProjectMngr->WorkSpace().isEmpty());
    sendArchiveAction_->setEnabled(selected && !sender_->Sending());
    FollowInHistory();
}
