#include "ui/FolderCommands.h"

#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "ui/CatalogueTree.h"
#include "ui/DesktopFolderOpener.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"
#include "versioning/TVersionManager.h"

#include <QAction>
#include <QMenu>

namespace {

QAction* NewOpenFolderAction(const char* name, QObject* parent) {
    auto* action = new QAction(QStringLiteral("Open &folder"), parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QStringLiteral("Shows the folder in the file manager"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    // One key for both views: each command answers in its own.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
}

} // namespace

FolderCommands::FolderCommands(CatalogueTree* tree, QMenu* treeMenu, VersionListWidget* list,
                               QMenu* versionMenu, BusyTest busy, QObject* parent)
    : QObject(parent), tree_(tree),
      versionFolder_(NewOpenFolderAction("OpenVersionFolderAction", this)),
      itemFolder_(NewOpenFolderAction("OpenItemFolderAction", this)), busy_(std::move(busy)),
      opener_([this](const QString& folder) {
          return DesktopFolderOpener::Open(folder, this,
                                           [this, folder] { NoProgramShown(folder); });
      }) {
    versionMenu->addSeparator();
    versionMenu->addAction(versionFolder_);
    list->addAction(versionFolder_);
    treeMenu->addSeparator();
    treeMenu->addAction(itemFolder_);
    tree->addAction(itemFolder_);

    connect(versionFolder_, &QAction::triggered, this,
            [this] { TQuorvelApplication::Guarded([this] { OpenFolderOf(VersionTarget()); }); });
    connect(itemFolder_, &QAction::triggered, this,
            [this] { TQuorvelApplication::Guarded([this] { OpenFolderOf(TreeTarget()); }); });
    connect(versionMenu, &QMenu::aboutToShow, this, &FolderCommands::UpdateEnabled);
    connect(treeMenu, &QMenu::aboutToShow, this, &FolderCommands::UpdateEnabled);
}

TVersionItem* FolderCommands::VersionTarget() const {
    if (!VersionMngr || busy_())
        return nullptr;
    if (TVersion* version = VersionMngr->ActiveVersion())
        return version;
    return VersionMngr->InstalledProject();
}

TVersionItem* FolderCommands::TreeTarget() const {
    if (busy_())
        return nullptr;
    TreeNode* node = tree_->SelectedNode();
    return node ? node->Item() : nullptr;
}

void FolderCommands::UpdateEnabled() {
    versionFolder_->setEnabled(VersionTarget() != nullptr);
    itemFolder_->setEnabled(TreeTarget() != nullptr);
}

void FolderCommands::OpenFolderOf(TVersionItem* item) {
    if (!item)
        return;
    // A damaged name must not send the file manager to another folder.
    item->CheckFolderNames();
    const QString folder = item->Path();
    const QString shown = FileSystem::WithoutTrailingSeparator(folder);
    if (!FileSystem::FolderExists(folder)) {
        User().ShowMessage(QStringLiteral("The folder %1 is not there any more. Rebuild the "
                                          "workspace to bring the catalogue up to date.")
                               .arg(shown));
        return;
    }
    if (!opener_(folder))
        NoProgramShown(folder);
}

void FolderCommands::NoProgramShown(const QString& folder) {
    User().ShowMessage(
        DesktopFolderOpener::NoProgramText(FileSystem::WithoutTrailingSeparator(folder)));
}
