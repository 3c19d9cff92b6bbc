#pragma once

#include "ui/ImageList.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>

class BackgroundSize;
class CatalogueTree;
class QuorvelRuntime;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QTextEdit;
class QWidgetAction;
class ListedProjectWatcher;
class WorkspaceFollower;
class OverviewCommands;
class PresenceIndicator;
class RibbonBar;
class TEditor;
class TVersion;
class TVersionManager;
class TreeNode;
class VersionListWidget;

// The program's one long-lived window: the catalogue tree, the grouped
// version list, the details of the selected version, and every command
// in the ribbon, the application menu and the two context menus.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // The runtime makes the version manager when the window is first shown.
    explicit TMainForm(QuorvelRuntime& runtime, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The start-up sequence, run when the window is first shown: hands
    // over the widgets, creates the version manager, opens the last
    // workspace and, after an unclean end, offers a rebuild.
    void FormShow();
    // True once FormShow has run (to its end or to an error).
    bool Started() const { return started_; }
    // Copies the open workspace and the list's style into the settings.
    void FormClose();

    // Shows AWorkSpace in the status bar, then opens it.
    void SetWorkspace(const QString& AWorkSpace);
    // A folder chosen with the folder browser, with its closing separator.
    void BrowseForFolder1Accept(const QString& folder);
    void RecentOpenendActionExecute();
    void Ribbon1RecentItemClick(const QString& FileName, int Index);
    void tvVersionsChange(TreeNode* Node);
    void lvVersionViewChange(TVersion* version);
    void VersionChanged(TVersionManager* Sender);
    // Opens the user manual at the page for the focused part.
    void Ribbon1HelpButtonClick();

    // Enables every command by the active item; runs whenever the program
    // is about to wait for input.
    void ActionManager1Update();
    void pmVersionControlPopup();
    void EditActionExecute();
    void AboutActionExecute();
    void SelectApplicationActionExecute();
    // Brings the editor entries of the "Open In" submenu up to date.
    void RefreshMenu();

    // The manual's page for the part of the window that has the focus,
    // such as "window.html#tree"; its home page for any other.
    QString HelpTopic() const;

    CatalogueTree* Tree() const { return tvVersions; }
    VersionListWidget* VersionList() const { return lvVersionView; }
    QTextEdit* Details() const { return mmVersionDescription; }
    QString StatusText() const;
    RibbonBar* Ribbon() const { return Ribbon1; }
    QComboBox* RecentCombo() const { return rbcbRecentOpened; }
    QComboBox* EditorCombo() const { return rbcbEditors; }
    QMenu* ProjectMenu() const { return pmProject; }
    QMenu* VersionMenu() const { return pmVersionControl; }
    QMenu* OpenInMenu() const { return EditProject; }
    const ImageList& SmallImages() const { return images16_; }
    // The command of that name, such as "CheckInAction".
    QAction* Command(const QString& name) const;
    QList<QAction*> Commands() const { return commands_; }
    // The commands of the "Overview" ribbon tab.
    OverviewCommands* Overview() const { return overview_; }
    // Shows panel under the version list and its details, never under the
    // tree, at its wanted height while the list keeps half the column.
    void ShowUnderVersionList(QWidget* panel);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* NewCommand(const char* name, const QString& category, const QString& caption,
                        const QString& ribbonCaption, int picture = -1);
    void CreateCommands();
    void CreateWidgets();
    void CreateRibbon();
    void CreateMenus();
    // Runs a command's handler; its errors go to the general error display.
    void Run(const std::function<void()>& handler);
    // The same, but not while a catalogue is being read or rebuilt: the one
    // guard of every command that works on the catalogue or replaces it.
    void RunWhenIdle(const std::function<void()>& handler);
    // RunWhenIdle, for a command of the version manager.
    void RunOnCatalogue(const std::function<void()>& handler);
    static bool CatalogueBusy();
    void AssignEditors();
    void FillRecentCombo();
    void SyncActiveItemFromTree();
    // The tree highlights the active item's project or client: the node the
    // client and project commands act on.
    void ShowActiveItemInTree();
    // The status bar, both recent lists and the presence name the
    // workspace that is open now.
    void ShowOpenWorkspace();
    // On a workspace without clients the list's place says how to start.
    void ShowStartHint();
    void ShowVersionDetails(const TVersion* version);
    // The size measured in the background, when it is of the version shown.
    void ShowVersionSize(const QString& folder, const QString& text);
    void SetFirstIndent();
    qreal PointsToPixels(qreal points) const;
    void SelectWorkspaceExecute();
    void ImportActionExecute();
    void RefreshWorkspaceExecute();

    QuorvelRuntime& runtime_;
    ImageList images16_;
    ImageList images32_;
    ImageList images64_;

    RibbonBar* Ribbon1 = nullptr;
    CatalogueTree* tvVersions = nullptr;
    VersionListWidget* lvVersionView = nullptr;
    QTextEdit* mmVersionDescription = nullptr;
    QSplitter* treeSplitter_ = nullptr;
    QSplitter* detailsSplitter_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    PresenceIndicator* presence_ = nullptr;
    QComboBox* rbcbRecentOpened = nullptr;
    QComboBox* rbcbEditors = nullptr;
    QMenu* pmProject = nullptr;
    QMenu* pmVersionControl = nullptr;
    QMenu* EditProject = nullptr;

    QList<QAction*> commands_;
    QAction* NewClientAction = nullptr;
    QAction* DelClientAction = nullptr;
    QAction* RenameClientAction = nullptr;
    QAction* NewProjectAction = nullptr;
    QAction* DelProjectAction = nullptr;
    QAction* RenameProjectAction = nullptr;
    QAction* CheckInAction = nullptr;
    QAction* CheckOutAction = nullptr;
    QAction* CheckInOutAction = nullptr;
    QAction* UndoCheckoutAction = nullptr;
    QAction* ImportAction = nullptr;
    QAction* RefreshWorkspaceAction = nullptr;
    QAction* BrowseForFolder1 = nullptr;
    QWidgetAction* RecentOpenendAction = nullptr;
    QAction* Action2 = nullptr;
    QAction* Action3 = nullptr;
    QAction* Action4 = nullptr;
    QActionGroup* viewStyles_ = nullptr;
    QAction* SelectApplicationAction = nullptr;
    QWidgetAction* EditorAction = nullptr;
    QAction* EditAction = nullptr;
    QAction* ExitAction = nullptr;
    QAction* AboutAction = nullptr;
    OverviewCommands* overview_ = nullptr;
    ListedProjectWatcher* projectWatcher_ = nullptr;

    // The editors' entries in "Open In"; the window owns them.
    std::map<const TEditor*, QAction*> editorEntries_;
    QString lastWorkspaceFolder_;
    QString lastImportFolder_;
    bool shown_ = false;
    bool started_ = false;
    bool treeSyncPending_ = false;
    bool treeSyncScheduled_ = false;
    // A version was chosen in the list while the catalogue was busy.
    bool listChoiceWaiting_ = false;
    // Commands running, counted by Run.
    int commandDepth_ = 0;
    WorkspaceFollower* workspaceFollower_ = nullptr;
    BackgroundSize* sizes_ = nullptr;
    // The details' size line and the folder it is of.
    int sizeBlock_ = -1;
    QString sizeFolder_;
};
