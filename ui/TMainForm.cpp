#include "ui/TMainForm.h"

#include "QuorvelVersion.h"
#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionItem.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "ui/BackgroundSize.h"
#include "ui/CatalogueTree.h"
#include "ui/CatalogueViewState.h"
#include "ui/CheckedOutPanel.h"
#include "ui/EditorIcon.h"
#include "ui/FolderCommands.h"
#include "ui/HistoryPanel.h"
#include "ui/KeyboardFocusFrame.h"
#include "ui/ListedProjectWatcher.h"
#include "ui/OverviewCommands.h"
#include "ui/PresenceIndicator.h"
#include "ui/QtUser.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/TAboutBox.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "ui/TreeFilterField.h"
#include "ui/TreeNode.h"
#include "ui/UiFonts.h"
#include "ui/UserManual.h"
#include "ui/VersionListWidget.h"
#include "ui/WorkspaceFollower.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"
#include "workspace/TRecentOpened.h"

#include <QAbstractEventDispatcher>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <utility>

namespace {

const char* const uncleanEndQuestion =
    "Quorvel was not correctly closed, \rit is recommendable to rebuild the active workspace, "
    "\rRebuild the active workspace?";
const char* const workspacePrompt = "Select the parent directory where your projects are stored.";
// What a window manager's title bar and borders add to a window.
const QSize WindowFrameAllowance(16, 40);
// The details panel's first-line indent.
constexpr qreal FirstIndentPoints = 10;
const char* const startHint =
    "<h3>This workspace has no clients yet</h3>"
    "<p>Click <b>New Client</b>, then <b>New Project</b>: the project's first version is a "
    "folder for its files.</p>"
    "<p>Are your client folders somewhere else? <b>Select Workspace</b> and choose the folder "
    "that holds them.</p>"
    "<p>To bring in work from another folder, choose <b>Import</b> in the menu of the new "
    "project's first version.</p>";
const char* const openInEditorKeyTip =
    "This will Edit the checked out version with the selected Editor";

// A combo box for the ribbon with its caption above it, carried by a
// command.
QWidget* LabelledCombo(const QString& caption, QComboBox* combo) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(1);
    auto* label = new QLabel(caption, box);
    label->setBuddy(combo);
    layout->addWidget(label);
    combo->setFixedWidth(150);
    layout->addWidget(combo);
    return box;
}

} // namespace

TMainForm::TMainForm(QuorvelRuntime& runtime, QWidget* parent)
    : QMainWindow(parent), runtime_(runtime), images16_(ImageList::DesignPictures(16)),
      images32_(ImageList::DesignPictures(32)), images64_(ImageList::DesignPictures(64)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QtUser::ApplicationTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
    setFont(UiFonts::Tahoma(8));
    CreateCommands();
    CreateWidgets();
    CreateRibbon();
    CreateMenus();
    overview_ = new OverviewCommands(this);
    new KeyboardFocusFrame(this);
    sizes_ = new BackgroundSize(this);
    connect(sizes_, &BackgroundSize::measured, this, &TMainForm::ShowVersionSize);
    const auto afterOutsideChanges = [this] {
        // Versions that came or went outside Quorvel change what is
        // checked out.
        overview_->Panel()->Invalidate();
        overview_->History()->Invalidate();
        // A version chosen while they were followed waited; it is taken up
        // now. Another version that is merely still selected in the list is
        // not: a client or project chosen since stays the active item.
        TVersion* selected = lvVersionView->SelectedVersion();
        if (std::exchange(listChoiceWaiting_, false) && selected && VersionMngr &&
            VersionMngr->ActiveItem() != selected)
            lvVersionViewChange(selected);
    };
    connect(projectWatcher_, &ListedProjectWatcher::followed, this, afterOutsideChanges);
    // A dialog open now shows what it was opened on: the window follows
    // after it.
    workspaceFollower_ = new WorkspaceFollower(
        [this] {
            return CatalogueBusy() || commandDepth_ > 0 || QApplication::activeModalWidget();
        },
        this);
    connect(workspaceFollower_, &WorkspaceFollower::followed, this, afterOutsideChanges);
    resize(1061, 828);
    // On a screen without room for the design size (828 high does not fit
    // 800) the window is maximised rather than cut off at the bottom.
    if (const QScreen* shown = screen()) {
        const QSize room = shown->availableGeometry().size() - WindowFrameAllowance;
        if (width() > room.width() || height() > room.height())
            setWindowState(windowState() | Qt::WindowMaximized);
    }

    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TMainForm::ActionManager1Update);
    }
    ActionManager1Update();
}

TMainForm::~TMainForm() {
    // Whoever outlives the window must not reach into it.
    if (ProjectMngr) {
        if (ProjectMngr->TreeView() == tvVersions)
            ProjectMngr->SetTreeView(nullptr);
    }
    if (VersionMngr) {
        VersionMngr->SetOnVersionChanged(nullptr);
        VersionMngr->SetOnActiveItemChanged(nullptr);
    }
}

// Commands ------------------------------------------------------------------

QAction* TMainForm::NewCommand(const char* name, const QString& category, const QString& caption,
                               const QString& ribbonCaption, int picture) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("category", category);
    // The ribbon and the application menu show the icon text.
    action->setIconText(ribbonCaption.isEmpty() ? caption : ribbonCaption);
    if (picture >= 0) {
        QIcon icon;
        icon.addPixmap(images16_.At(picture));
        icon.addPixmap(images32_.At(picture));
        action->setIcon(icon);
    }
    commands_ << action;
    return action;
}

QAction* TMainForm::Command(const QString& name) const {
    for (QAction* action : commands_) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

void TMainForm::CreateCommands() {
    const QString client = QStringLiteral("Client");
    const QString project = QStringLiteral("Project");
    const QString version = QStringLiteral("Version");
    const QString workspace = QStringLiteral("Workspace");
    const QString view = QStringLiteral("Beeld");
    const QString editors = QStringLiteral("Editors");
    const QString file = QStringLiteral("File");

    NewClientAction = NewCommand("NewClientAction", client, QStringLiteral("New Client"),
                                 QStringLiteral("&New Client"));
    DelClientAction = NewCommand("DelClientAction", client, QStringLiteral("Del Client"),
                                 QStringLiteral("&Del Client"));
    RenameClientAction = NewCommand("RenameClientAction", client, QStringLiteral("Rename Client"),
                                    QStringLiteral("&Rename Client"));
    NewProjectAction = NewCommand("NewProjectAction", project, QStringLiteral("New Project"),
                                  QStringLiteral("&New Project"));
    DelProjectAction = NewCommand("DelProjectAction", project, QStringLiteral("Del Project"),
                                  QStringLiteral("&Del Project"));
    RenameProjectAction =
        NewCommand("RenameProjectAction", project, QStringLiteral("Rename Project"),
                   QStringLiteral("&Rename Project"));
    CheckInAction = NewCommand("CheckInAction", version, QStringLiteral("Check In"),
                               QStringLiteral("&Check In"));
    CheckOutAction = NewCommand("CheckOutAction", version, QStringLiteral("Check out"),
                                QStringLiteral("C&heck out"));
    CheckInOutAction = NewCommand("CheckInOutAction", version, QStringLiteral("Check in/Check out"),
                                  QStringLiteral("Ch&eck in/Check out"));
    UndoCheckoutAction = NewCommand("UndoCheckoutAction", version, QStringLiteral("Undo checkout"),
                                    QStringLiteral("&Undo checkout"));
    ImportAction = NewCommand("ImportAction", version, QStringLiteral("Import"), QString());
    RefreshWorkspaceAction =
        NewCommand("RefreshWorkspaceAction", workspace, QStringLiteral("Rebuild Workspace"),
                   QStringLiteral("&Rebuild Workspace"), ImageList::RebuildWorkspace);
    BrowseForFolder1 = NewCommand("BrowseForFolder1", workspace, QStringLiteral("Select Workspace"),
                                  QStringLiteral("&Select Workspace"), ImageList::SelectWorkspace);

    RecentOpenendAction = new QWidgetAction(this);
    RecentOpenendAction->setObjectName(QStringLiteral("RecentOpenendAction"));
    RecentOpenendAction->setText(QStringLiteral("Open Recent"));
    RecentOpenendAction->setIconText(QStringLiteral("&Open Recent"));
    RecentOpenendAction->setProperty("category", workspace);
    rbcbRecentOpened = new QComboBox;
    rbcbRecentOpened->setObjectName(QStringLiteral("rbcbRecentOpened"));
    rbcbRecentOpened->setEditable(false);
    RecentOpenendAction->setDefaultWidget(
        LabelledCombo(RecentOpenendAction->iconText(), rbcbRecentOpened));
    commands_ << RecentOpenendAction;

    Action2 = NewCommand("Action2", view, QStringLiteral("Grote pictogrammen"),
                         QStringLiteral("&Grote pictogrammen"));
    Action3 = NewCommand("Action3", view, QStringLiteral("Kleine pictogrammen"),
                         QStringLiteral("&Kleine pictogrammen"));
    Action4 = NewCommand("Action4", view, QStringLiteral("Lijst weergave"),
                         QStringLiteral("&Lijst weergave"));
    viewStyles_ = new QActionGroup(this);
    viewStyles_->setExclusive(true);
    for (QAction* style : {Action2, Action3, Action4}) {
        style->setCheckable(true);
        viewStyles_->addAction(style);
    }
    Action2->setChecked(true);

    SelectApplicationAction =
        NewCommand("SelectApplicationAction", editors, QStringLiteral("Select application"),
                   QStringLiteral("&Add Editor"));
    EditorAction = new QWidgetAction(this);
    EditorAction->setObjectName(QStringLiteral("EditorAction"));
    EditorAction->setText(QStringLiteral("Editor"));
    EditorAction->setIconText(QStringLiteral("&Editor"));
    EditorAction->setProperty("category", editors);
    rbcbEditors = new QComboBox;
    rbcbEditors->setObjectName(QStringLiteral("rbcbEditors"));
    rbcbEditors->setEditable(true);
    rbcbEditors->setInsertPolicy(QComboBox::NoInsert);
    EditorAction->setDefaultWidget(LabelledCombo(EditorAction->iconText(), rbcbEditors));
    commands_ << EditorAction;
    EditAction = NewCommand("EditAction", editors, QStringLiteral("Open in Editor"),
                            QStringLiteral("&Open in Editor"));
    ExitAction = NewCommand("ExitAction", file, QStringLiteral("Exit"), QStringLiteral("E&xit"),
                            ImageList::Exit);
    AboutAction = NewCommand("AboutAction", file, QStringLiteral("About"), QStringLiteral("&About"),
                             ImageList::About);

    connect(NewClientAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->NewClient(); }); });
    connect(DelClientAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->DelClient(); }); });
    connect(RenameClientAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->RenameClient(); }); });
    connect(NewProjectAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->NewProject(); }); });
    connect(DelProjectAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->DelProject(); }); });
    connect(RenameProjectAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->RenameProject(); }); });
    connect(CheckInAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->CheckIn(); }); });
    connect(CheckOutAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->CheckOut(); }); });
    connect(CheckInOutAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->CheckInCheckOut(); }); });
    connect(UndoCheckoutAction, &QAction::triggered, this,
            [this] { RunOnCatalogue([] { VersionMngr->UndoCheckOut(); }); });
    connect(ImportAction, &QAction::triggered, this, &TMainForm::ImportActionExecute);
    connect(RefreshWorkspaceAction, &QAction::triggered, this, &TMainForm::RefreshWorkspaceExecute);
    connect(BrowseForFolder1, &QAction::triggered, this, &TMainForm::SelectWorkspaceExecute);
    connect(RecentOpenendAction, &QAction::triggered, this, &TMainForm::RecentOpenendActionExecute);
    connect(rbcbRecentOpened, &QComboBox::textActivated, this,
            &TMainForm::RecentOpenendActionExecute);
    connect(Action2, &QAction::triggered, this, [this] { lvVersionView->SetViewStyle(0); });
    connect(Action3, &QAction::triggered, this, [this] { lvVersionView->SetViewStyle(1); });
    connect(Action4, &QAction::triggered, this, [this] { lvVersionView->SetViewStyle(2); });
    connect(SelectApplicationAction, &QAction::triggered, this,
            &TMainForm::SelectApplicationActionExecute);
    connect(EditAction, &QAction::triggered, this, &TMainForm::EditActionExecute);
    connect(ExitAction, &QAction::triggered, this, &QWidget::close);
    connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutActionExecute);
}

// Widgets -------------------------------------------------------------------

void TMainForm::CreateWidgets() {
    tvVersions = new CatalogueTree;
    tvVersions->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvVersions, &CatalogueTree::nodeChosen, this, &TMainForm::tvVersionsChange);
    connect(tvVersions, &CatalogueTree::selectionNeedsSync, this, [this] {
        treeSyncPending_ = true;
        if (!treeSyncScheduled_) {
            treeSyncScheduled_ = true;
            QTimer::singleShot(0, this, &TMainForm::SyncActiveItemFromTree);
        }
    });

    lvVersionView = new VersionListWidget;
    std::vector<QIcon> pictures;
    for (int picture : {ImageList::CheckedInVersion, ImageList::CheckedOutVersion}) {
        QIcon icon;
        icon.addPixmap(images32_.At(picture));
        icon.addPixmap(images64_.At(picture));
        pictures.push_back(icon);
    }
    lvVersionView->SetPictures(pictures);
    connect(lvVersionView, &VersionListWidget::selectionChanged, this,
            &TMainForm::lvVersionViewChange);

    mmVersionDescription = new QTextEdit;
    mmVersionDescription->setObjectName(QStringLiteral("mmVersionDescription"));
    mmVersionDescription->setReadOnly(true);
    mmVersionDescription->setAcceptRichText(true);
    mmVersionDescription->setFont(UiFonts::MsSansSerifPixels(13));
    QPalette colours = mmVersionDescription->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, QColor(0xa6, 0xca, 0xf0));
        colours.setColor(group, QPalette::Text, QColor(0x00, 0x00, 0x80));
    }
    mmVersionDescription->setPalette(colours);
    mmVersionDescription->document()->setDefaultFont(UiFonts::MsSansSerifPixels(13));

    detailsSplitter_ = new QSplitter(Qt::Vertical);
    detailsSplitter_->setObjectName(QStringLiteral("DetailsSplitter"));
    detailsSplitter_->setHandleWidth(3);
    detailsSplitter_->setChildrenCollapsible(false);
    detailsSplitter_->addWidget(lvVersionView);
    detailsSplitter_->addWidget(mmVersionDescription);
    detailsSplitter_->setStretchFactor(0, 1);
    detailsSplitter_->setStretchFactor(1, 0);
    detailsSplitter_->setSizes({828 - 143 - 22 - 153 - 3, 153});

    treeSplitter_ = new QSplitter(Qt::Horizontal);
    treeSplitter_->setObjectName(QStringLiteral("TreeSplitter"));
    treeSplitter_->setChildrenCollapsible(false);
    // The filter field stands above the tree it narrows.
    auto* treePane = new QWidget;
    auto* treeLayout = new QVBoxLayout(treePane);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(2);
    treeLayout->addWidget(new TreeFilterField(tvVersions, this));
    treeLayout->addWidget(tvVersions);
    treeSplitter_->addWidget(treePane);
    treeSplitter_->addWidget(detailsSplitter_);
    treeSplitter_->setStretchFactor(0, 0);
    treeSplitter_->setStretchFactor(1, 1);
    treeSplitter_->setSizes({185, 1061 - 185});
    setCentralWidget(treeSplitter_);

    statusPanel_ = new QLabel;
    statusPanel_->setObjectName(QStringLiteral("StatusPanel"));
    statusPanel_->setFixedWidth(500);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusPanel_);
    presence_ = new PresenceIndicator;
    statusBar()->addWidget(presence_);
}

void TMainForm::ShowUnderVersionList(QWidget* panel) {
    if (detailsSplitter_->indexOf(panel) < 0) {
        detailsSplitter_->addWidget(panel);
        detailsSplitter_->setStretchFactor(detailsSplitter_->indexOf(panel), 0);
    }
    if (panel->isVisible())
        return;
    panel->show();
    // The details keep their height; the list keeps half the column.
    QList<int> sizes = detailsSplitter_->sizes();
    const int at = detailsSplitter_->indexOf(panel);
    const int column = detailsSplitter_->height();
    int fixed = 0;
    for (int i = 1; i < sizes.size(); ++i) {
        if (!detailsSplitter_->widget(i)->isVisibleTo(detailsSplitter_))
            continue;
        fixed += detailsSplitter_->handleWidth() + (i == at ? 0 : sizes[i]);
    }
    sizes[at] = std::clamp(column / 2 - fixed, 0, panel->sizeHint().height());
    sizes[0] = column - fixed - sizes[at];
    detailsSplitter_->setSizes(sizes);
}

void TMainForm::CreateRibbon() {
    Ribbon1 = new RibbonBar(QStringLiteral("Project Management"));
    setMenuWidget(Ribbon1);
    connect(Ribbon1, &RibbonBar::helpClicked, this, &TMainForm::Ribbon1HelpButtonClick);
    Ribbon1->HelpButton()->setToolTip(QStringLiteral("User manual (F1)"));
    // F1 anywhere in the window, as the help button.
    auto* help = new QAction(QStringLiteral("User manual"), this);
    help->setObjectName(QStringLiteral("HelpAction"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, &TMainForm::Ribbon1HelpButtonClick);

    RibbonGroup* workspace = Ribbon1->AddGroup(QStringLiteral("Workspace"));
    workspace->AddLargeButton(RefreshWorkspaceAction);
    workspace->AddLargeButton(BrowseForFolder1);
    workspace->AddSmallWidget(RecentOpenendAction->defaultWidget());

    RibbonGroup* view = Ribbon1->AddGroup(QStringLiteral("View"));
    for (QAction* style : {Action2, Action3, Action4})
        view->AddSmallButton(style);

    RibbonGroup* version = Ribbon1->AddGroup(QStringLiteral("Version"));
    version->AddSmallButton(CheckInAction);
    version->AddSmallButton(CheckOutAction);
    version->AddSmallButton(CheckInOutAction);
    version->AddSeparator();
    version->AddSmallButton(UndoCheckoutAction);

    RibbonGroup* project = Ribbon1->AddGroup(QStringLiteral("Project"));
    project->AddSmallButton(NewProjectAction);
    project->AddSmallButton(DelProjectAction);
    project->AddSmallButton(RenameProjectAction);

    RibbonGroup* client = Ribbon1->AddGroup(QStringLiteral("Client"));
    client->AddSmallButton(NewClientAction);
    client->AddSmallButton(DelClientAction);
    client->AddSmallButton(RenameClientAction);

    RibbonGroup* editor = Ribbon1->AddGroup(QStringLiteral("Editor"));
    editor->AddSmallWidget(EditorAction->defaultWidget());
    editor->AddSmallButton(EditAction);
    // A badge of that length covered the entries beside it: the text is
    // the command's tool tip, the badge a letter like any other.
    EditAction->setToolTip(QString::fromLatin1(openInEditorKeyTip));
    editor->AddSeparator();
    editor->AddSmallButton(SelectApplicationAction);
    editor->SetDialogLauncher(SelectApplicationAction);

    RibbonApplicationMenu* menu = Ribbon1->ApplicationMenu();
    menu->AddEntry(RefreshWorkspaceAction);
    menu->AddEntry(BrowseForFolder1);
    menu->AddSeparator();
    menu->AddEntry(AboutAction);
    menu->AddSeparator();
    menu->AddEntry(ExitAction, true);
    connect(menu, &RibbonApplicationMenu::recentItemClicked, this,
            &TMainForm::Ribbon1RecentItemClick);
}

void TMainForm::CreateMenus() {
    pmProject = new QMenu(this);
    pmProject->setObjectName(QStringLiteral("pmProject"));
    QMenu* clients = pmProject->addMenu(QStringLiteral("Clients"));
    clients->addActions({NewClientAction, DelClientAction, RenameClientAction});
    QMenu* projects = pmProject->addMenu(QStringLiteral("Projects"));
    projects->addActions({NewProjectAction, DelProjectAction, RenameProjectAction});
    connect(tvVersions, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        pmProject->popup(tvVersions->viewport()->mapToGlobal(pos));
    });

    pmVersionControl = new QMenu(this);
    pmVersionControl->setObjectName(QStringLiteral("pmVersionControl"));
    pmVersionControl->addAction(CheckInAction);
    pmVersionControl->addAction(CheckInOutAction);
    pmVersionControl->addAction(CheckOutAction);
    pmVersionControl->addSeparator();
    pmVersionControl->addAction(UndoCheckoutAction);
    pmVersionControl->addSeparator();
    pmVersionControl->addAction(ImportAction);
    pmVersionControl->addSeparator();
    EditProject = pmVersionControl->addMenu(QStringLiteral("Open In"));
    EditProject->setObjectName(QStringLiteral("EditProject"));
    EditProject->addSeparator();
    EditProject->addAction(SelectApplicationAction);
    connect(pmVersionControl, &QMenu::aboutToShow, this, &TMainForm::pmVersionControlPopup);
    connect(lvVersionView, &VersionListWidget::contextMenuWanted, this,
            [this](const QPoint& globalPos) { pmVersionControl->popup(globalPos); });

    new FolderCommands(tvVersions, pmProject, lvVersionView, pmVersionControl, &CatalogueBusy,
                       this);
    projectWatcher_ =
        new ListedProjectWatcher([this] { return CatalogueBusy() || commandDepth_ > 0; }, this);
}

// Start and end -------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Once the window is on screen, so that it stands behind any question.
    QTimer::singleShot(0, this, [this] {
        TQuorvelApplication::Guarded([this] { FormShow(); });
        started_ = true;
    });
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TMainForm::FormShow() {
    ProjectMngr->SetTreeView(tvVersions);
    RefreshMenu();
    AssignEditors();
    runtime_.VersionManager(lvVersionView);
    VersionMngr->SetOnVersionChanged([this](TVersionManager* sender) { VersionChanged(sender); });
    VersionMngr->SetOnActiveItemChanged([this](TVersionManager*) { ShowActiveItemInTree(); });

    SetWorkspace(QuorvelConfig->GetWorkspace());

    const QStringList recent = QuorvelConfig->RecentOpened()->Items();
    for (const QString& entry : recent)
        Ribbon1->ApplicationMenu()->AddRecentItem(entry);
    FillRecentCombo();

    const int style = QuorvelConfig->ViewStyle();
    lvVersionView->SetViewStyle(style);
    if (style == 0)
        Action2->setChecked(true);
    else if (style == 1)
        Action3->setChecked(true);
    else if (style == 2)
        Action4->setChecked(true);

    if (!QuorvelConfig->ShutDownCorrect() &&
        User().Confirm(QString::fromLatin1(uncleanEndQuestion))) {
        // Not behind the progress dialog; the window stays usable meanwhile.
        ProjectMngr->Refresh();
    }
}

void TMainForm::FormClose() {
    if (!QuorvelConfig)
        return;
    if (ProjectMngr)
        QuorvelConfig->SetWorkspace(ProjectMngr->WorkSpace());
    QuorvelConfig->SetViewStyle(lvVersionView->ViewStyle());
}

// Workspaces ----------------------------------------------------------------

void TMainForm::SetWorkspace(const QString& AWorkSpace) {
    if (AWorkSpace != ProjectMngr->WorkSpace())
        statusPanel_->setText(QStringLiteral("Opening workspace: ") + AWorkSpace);
    // Also when opening fails: the window names what is open then.
    const auto show = qScopeGuard([this] { ShowOpenWorkspace(); });
    const QString left = ProjectMngr->WorkSpace();
    try {
        ProjectMngr->SetWorkSpace(AWorkSpace);
    } catch (const QuorvelError& error) {
        if (left.isEmpty() || ProjectMngr->WorkSpace() != left)
            throw;
        QString message = error.Message();
        if (!message.endsWith(u'.'))
            message += u'.';
        throw QuorvelError(message + QStringLiteral("\rWorkspace %1 stays open.").arg(left));
    }
}

void TMainForm::ShowOpenWorkspace() {
    const QString open = ProjectMngr->WorkSpace();
    statusPanel_->setText(open.isEmpty() ? QStringLiteral("No workspace is open")
                                         : QStringLiteral("Workspace: ") + open);
    presence_->SetWorkspace(open);
    rbcbRecentOpened->setCurrentIndex(rbcbRecentOpened->findText(open));
    Ribbon1->ApplicationMenu()->SetCurrentItem(open);
    ShowStartHint();
}

QString TMainForm::StatusText() const {
    return statusPanel_->text();
}

void TMainForm::SelectWorkspaceExecute() {
    RunWhenIdle([this] {
        const std::optional<QString> folder =
            User().AskFolder(QString::fromLatin1(workspacePrompt), lastWorkspaceFolder_);
        if (!folder)
            return;
        lastWorkspaceFolder_ = *folder;
        BrowseForFolder1Accept(*folder + u'/');
    });
}

void TMainForm::BrowseForFolder1Accept(const QString& folder) {
    // Only a folder that opened is recent; it is, even when an error came
    // after it opened (its catalogue could not be saved).
    const auto remember = qScopeGuard([this, folder] {
        if (ProjectMngr->WorkSpace() == folder &&
            QuorvelConfig->RecentOpened()->AddWorkspace(folder))
            FillRecentCombo();
    });
    SetWorkspace(folder);
}

void TMainForm::RecentOpenendActionExecute() {
    const QString workspace = rbcbRecentOpened->currentText();
    // No entry chosen: there is nothing to open.
    if (!workspace.isEmpty())
        RunWhenIdle([this, workspace] { SetWorkspace(workspace); });
}

void TMainForm::Ribbon1RecentItemClick(const QString& FileName, int) {
    RunWhenIdle([this, FileName] { SetWorkspace(FileName); });
}

void TMainForm::FillRecentCombo() {
    rbcbRecentOpened->clear();
    rbcbRecentOpened->addItems(QuorvelConfig->RecentOpened()->Items());
    rbcbRecentOpened->setCurrentIndex(rbcbRecentOpened->findText(ProjectMngr->WorkSpace()));
}

void TMainForm::RefreshWorkspaceExecute() {
    if (ProjectMngr->WorkSpace().isEmpty())
        return;
    RunWhenIdle([this] {
        // The items are made anew: the tree and the list are put back as
        // the user had them where the items are still there.
        const CatalogueViewState before = CatalogueViewState::Of(*tvVersions);
        const auto restore = qScopeGuard([this, &before] {
            if (!CatalogueBusy())
                before.Restore(*tvVersions, *lvVersionView);
        });
        if (QuorvelProgressDialog)
            QuorvelProgressDialog->Start(ProjectMngr);
        else
            ProjectMngr->Refresh();
    });
}

void TMainForm::ImportActionExecute() {
    RunOnCatalogue([this] {
        const std::optional<QString> folder =
            User().AskFolder(QStringLiteral("Import"), lastImportFolder_);
        if (!folder)
            return;
        lastImportFolder_ = *folder;
        VersionMngr->ImportFromFolder(*folder + u'/');
    });
}

void TMainForm::Ribbon1HelpButtonClick() {
    UserManual::Show(HelpTopic());
}

QString TMainForm::HelpTopic() const {
    if (Ribbon1->Tabs()->currentIndex() > 0 && Ribbon1->isAncestorOf(focusWidget()))
        return QStringLiteral("overview.html");
    const std::pair<const QWidget*, const char*> parts[] = {
        {rbcbRecentOpened, "commands.html#workspace"},
        {rbcbEditors, "commands.html#editor"},
        {Ribbon1, "commands.html"},
        {findChild<TreeFilterField*>(), "window.html#filter"},
        {tvVersions, "window.html#tree"},
        {lvVersionView, "window.html#versions"},
        {mmVersionDescription, "window.html#details"},
        {overview_->Panel(), "overview.html#checked-out"},
        {overview_->History(), "overview.html#history"},
    };
    // The innermost part that holds the focus.
    for (const QWidget* widget = focusWidget(); widget; widget = widget->parentWidget()) {
        for (const auto& [part, topic] : parts) {
            if (widget == part)
                return QString::fromLatin1(topic);
        }
    }
    return QString::fromLatin1(UserManual::HomePage);
}

// Selection -----------------------------------------------------------------

bool TMainForm::CatalogueBusy() {
    return ProjectMngr && ProjectMngr->Busy();
}

void TMainForm::tvVersionsChange(TreeNode* Node) {
    // A catalogue being read must not be worked on; the selection is
    // taken up when it is complete.
    if (CatalogueBusy()) {
        treeSyncPending_ = true;
        return;
    }
    if (!Node || !Node->Item() || !VersionMngr)
        return;
    TVersionItem* item = Node->Item();
    Run([item] { VersionMngr->SetActiveItem(item); });
}

void TMainForm::ShowActiveItemInTree() {
    TVersionItem* target = VersionMngr->ActiveProject();
    if (!target)
        target = VersionMngr->ActiveClient();
    tvVersions->ShowSelected(target ? target->GetTreeNode() : nullptr);
}

void TMainForm::ShowStartHint() {
    const bool empty = ProjectMngr && !ProjectMngr->WorkSpace().isEmpty() && !CatalogueBusy() &&
                       ProjectMngr->Clients() && ProjectMngr->Clients()->Count() == 0;
    lvVersionView->SetHint(empty ? QString::fromLatin1(startHint) : QString());
}

void TMainForm::SyncActiveItemFromTree() {
    treeSyncScheduled_ = false;
    if (!treeSyncPending_ || CatalogueBusy())
        return;
    treeSyncPending_ = false;
    TreeNode* node = tvVersions->SelectedNode();
    if (node && node->Item() && VersionMngr) {
        TVersionItem* item = node->Item();
        Run([item] { VersionMngr->SetActiveItem(item); });
    }
}

void TMainForm::lvVersionViewChange(TVersion* version) {
    if (!version)
        return;
    if (CatalogueBusy())
        listChoiceWaiting_ = true;
    else
        RunOnCatalogue([version] { VersionMngr->SetActiveItem(version); });
}

void TMainForm::VersionChanged(TVersionManager* Sender) {
    SetFirstIndent();
    if (!VersionMngr || Sender != VersionMngr)
        return;
    const TVersion* version = VersionMngr->ActiveVersion();
    if (!version) {
        mmVersionDescription->clear();
        sizeBlock_ = -1;
        sizes_->Forget();
        return;
    }
    ShowVersionDetails(version);
    rbcbEditors->setEditText(ProjectMngr->Editors()->NameOfPath(version->Editor()));
}

qreal TMainForm::PointsToPixels(qreal points) const {
    return points * mmVersionDescription->logicalDpiX() / 72.0;
}

void TMainForm::SetFirstIndent() {
    QTextCursor cursor(mmVersionDescription->document());
    QTextBlockFormat format = cursor.blockFormat();
    format.setTextIndent(PointsToPixels(FirstIndentPoints));
    cursor.setBlockFormat(format);
}

void TMainForm::ShowVersionSize(const QString& folder, const QString& text) {
    if (folder != sizeFolder_ || sizeBlock_ < 0)
        return;
    const QTextBlock block = mmVersionDescription->document()->findBlockByNumber(sizeBlock_);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("Size:\t") + text);
}

void TMainForm::ShowVersionDetails(const TVersion* version) {
    mmVersionDescription->clear();
    sizeBlock_ = -1;
    QTextBlockFormat format;
    format.setTextIndent(PointsToPixels(FirstIndentPoints));
    // Qt counts tab positions from where the indented first line starts; the
    // stops stand at 100 and 270 points from the margin.
    format.setTabPositions(
        {QTextOption::Tab(PointsToPixels(100 - FirstIndentPoints), QTextOption::LeftTab),
         QTextOption::Tab(PointsToPixels(270 - FirstIndentPoints), QTextOption::LeftTab)});
    QTextCursor cursor(mmVersionDescription->document());
    cursor.setBlockFormat(format);
    // A description of several lines goes on in paragraphs of its own.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    // The size goes after the record, before the description; it is
    // measured in the background and filled in when known.
    QStringList lines = version->DisplayLines();
    const qsizetype sizeAt = std::min<qsizetype>(6, lines.size());
    lines.insert(sizeAt, QStringLiteral("Size:\tmeasuring..."));
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const QString& part : lines[i].split(lineBreak)) {
            if (!first)
                cursor.insertBlock(format);
            if (i == sizeAt)
                sizeBlock_ = cursor.blockNumber();
            cursor.insertText(part);
            first = false;
        }
    }
    mmVersionDescription->moveCursor(QTextCursor::Start);
    sizeFolder_ = version->Path();
    sizes_->Measure(sizeFolder_);
}

// Enabled state -------------------------------------------------------------

void TMainForm::ActionManager1Update() {
    const bool idle = !CatalogueBusy();
    // Without a workspace a new client or a rebuild would work on the
    // program's current folder.
    const bool workspace = ProjectMngr && !ProjectMngr->WorkSpace().isEmpty();
    const TVersionManager* manager = VersionMngr;
    const bool client = manager && manager->HasActiveClient();
    const bool project = manager && manager->HasActiveProject();
    const bool checkedOut = manager && manager->CanCheckIn();
    const bool checkedIn = manager && manager->CanCheckOut();
    const bool import = manager && manager->CanImport();
    const bool openable = manager && manager->CanOpenInEditor();

    NewClientAction->setEnabled(idle && workspace);
    DelClientAction->setEnabled(idle && client);
    RenameClientAction->setEnabled(idle && client);
    NewProjectAction->setEnabled(idle && client);
    DelProjectAction->setEnabled(idle && project);
    RenameProjectAction->setEnabled(idle && project);
    CheckInAction->setEnabled(idle && checkedOut);
    CheckInOutAction->setEnabled(idle && checkedOut);
    UndoCheckoutAction->setEnabled(idle && checkedOut);
    CheckOutAction->setEnabled(idle && checkedIn);
    EditAction->setEnabled(idle && openable && !rbcbEditors->currentText().isEmpty());
    ImportAction->setEnabled(idle && import);
    // Whatever would replace the catalogue waits for the one being read.
    RefreshWorkspaceAction->setEnabled(idle && workspace);
    BrowseForFolder1->setEnabled(idle);
    RecentOpenendAction->setEnabled(idle);
    Ribbon1->ApplicationMenu()->SetRecentEnabled(idle);

    ShowStartHint();

    if (idle && treeSyncPending_ && !treeSyncScheduled_) {
        treeSyncScheduled_ = true;
        QTimer::singleShot(0, this, &TMainForm::SyncActiveItemFromTree);
    }
}

void TMainForm::pmVersionControlPopup() {
    EditProject->menuAction()->setEnabled(!CatalogueBusy() && VersionMngr &&
                                          VersionMngr->CanOpenInEditor());
}

// Editors -------------------------------------------------------------------

void TMainForm::RefreshMenu() {
    TProjectEditors* editors = ProjectMngr->Editors();
    for (int i = 0; i < editors->Count(); ++i) {
        TEditor* editor = editors->GetItems(i);
        QAction*& entry = editorEntries_[editor];
        if (!entry) {
            entry = new QAction(EditProject);
            entry->setObjectName(QStringLiteral("EditorEntry"));
            connect(entry, &QAction::triggered, this,
                    [this, editor] { RunOnCatalogue([editor] { editor->DoMenuClick(); }); });
            const int picture = images16_.Add(EditorIcon::ForProgram(editor->IconSource()));
            entry->setIcon(images16_.IconAt(picture));
            EditProject->addAction(entry);
        }
        entry->setText(QString(editor->Name()).replace(u'&', QStringLiteral("&&")));
        EditProject->removeAction(entry);
        const QList<QAction*> entries = EditProject->actions();
        EditProject->insertAction(i < entries.size() ? entries[i] : nullptr, entry);
    }
}

void TMainForm::AssignEditors() {
    QStringList names;
    ProjectMngr->Editors()->Assign(names);
    const QString text = rbcbEditors->currentText();
    rbcbEditors->clear();
    rbcbEditors->addItems(names);
    rbcbEditors->setCurrentIndex(-1);
    rbcbEditors->setEditText(text);
}

void TMainForm::SelectApplicationActionExecute() {
    Run([this] {
        const TEditor* added = ProjectMngr->Editors()->New();
        if (!added)
            return;
        RefreshMenu();
        AssignEditors();
        // The editor just added is the one to open with.
        rbcbEditors->setEditText(added->Name());
    });
}

void TMainForm::EditActionExecute() {
    // Not RunOnCatalogue: without a version manager the command still says
    // that it could not open anything.
    RunWhenIdle([this] {
        TVersion* version = VersionMngr ? VersionMngr->ActiveVersion() : nullptr;
        const QString editorName = rbcbEditors->currentText();
        const QString folder = version ? version->Path() : QString();
        bool failed = false;
        try {
            TEditor* editor = ProjectMngr->Editors()->EditorByName(editorName);
            if (!editor || !version)
                failed = true;
            else {
                version->SetEditor(editor->Path());
                // The details say which editor it is at once.
                if (VersionMngr->ActiveVersion() == version)
                    VersionMngr->DoVersionChanged();
                // A program that did not start is a failure the user must hear of.
                failed = !editor->Execute(version->Path());
            }
        } catch (const std::exception&) {
            failed = true;
        }
        if (failed) {
            User().ShowMessage(TEditor::ExecuteErrorText(folder, editorName));
        }
    });
}

void TMainForm::AboutActionExecute() {
    TAboutBox box(this);
    box.SetProduct(QtUser::ApplicationTitle());
    box.SetDescription(QStringLiteral("Organize your projects."));
    box.SetVersion(QString::fromLatin1(QuorvelVersionText));
    box.exec();
}

// Running commands ----------------------------------------------------------

void TMainForm::Run(const std::function<void()>& handler) {
    // The folder watcher keeps off the catalogue while a command is at it
    // (also while it lets pending events run).
    ++commandDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{commandDepth_};
    TQuorvelApplication::Guarded(handler);
}

void TMainForm::RunWhenIdle(const std::function<void()>& handler) {
    // Whatever works on the catalogue waits until the one being read is
    // complete.
    if (!CatalogueBusy())
        Run(handler);
}

void TMainForm::RunOnCatalogue(const std::function<void()>& handler) {
    if (!VersionMngr)
        return;
    // A tree selection not yet taken up is what the user points at; a
    // command in the same turn must not act on the item before it.
    if (treeSyncPending_)
        SyncActiveItemFromTree();
    RunWhenIdle(handler);
}
