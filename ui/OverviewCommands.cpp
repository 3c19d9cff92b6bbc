#include "ui/OverviewCommands.h"

#include "catalogue/NameLookup.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "catalogue/VersionListView.h"
#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/CompareDialog.h"
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
      compareMenu_(new QMenu(window)) {
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
    checkedOutAction_->setIcon(ImageList::CommandIcon(ImageList::CheckedOutList));
    compareParentAction_->setIcon(ImageList::CommandIcon(ImageList::CompareWithParent));
    compareOtherAction_->setIcon(ImageList::CommandIcon(ImageList::CompareWithOther));
    // Shortcuts work whichever ribbon tab shows.
    for (QAction* action : {checkedOutAction_, compareParentAction_, compareOtherAction_}) {
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

    // Also where a version is chosen: the version list's context menu.
    QMenu* versionMenu = window->VersionMenu();
    versionMenu->addSeparator();
    versionMenu->addAction(compareParentAction_);
    versionMenu->addAction(compareOtherAction_);

    panel_->hide();

    connect(checkedOutAction_, &QAction::triggered, this, &OverviewCommands::ShowCheckedOut);
    connect(panel_, &CheckedOutPanel::versionChosen, this,
            [this](const QString& client, const QString& project, const QString& version) {
                SelectVersion(client, project, version);
            });
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
        if (QAction* command = window->Command(QString::fromLatin1(name)))
            connect(command, &QAction::triggered, panel_, &CheckedOutPanel::Invalidate);
    }
    connect(window->RecentCombo(), &QComboBox::textActivated, panel_, &CheckedOutPanel::Invalidate);
    connect(ribbon->ApplicationMenu(), &RibbonApplicationMenu::recentItemClicked, panel_,
            &CheckedOutPanel::Invalidate);
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

bool OverviewCommands::SelectVersion(const QString& client, const QString& project,
                                     const QString& version) {
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
}
