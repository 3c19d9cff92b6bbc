#include "GuiHarness.h"

#include "platform/FileSystem.h"

#include "catalogue/TVersion.h"
#include "catalogue/TVersionItem.h"
#include "catalogue/TVersions.h"
#include "ui/CatalogueTree.h"
#include "ui/GroupListView.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonBar.h"
#include "ui/TreeNode.h"
#include "ui/VersionListModel.h"
#include "ui/VersionListRow.h"
#include "ui/VersionListWidget.h"
#include "workspace/TRecentOpened.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

namespace {

const QString uncleanQuestion = QStringLiteral(
    "Quorvel was not correctly closed, \rit is recommendable to rebuild the active workspace, "
    "\rRebuild the active workspace?");

QStringList ComboItems(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

TreeNode* FindNode(CatalogueTree* tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : static_cast<TreeNode*>(found.first());
}

QStringList DetailLines(const TMainForm* window) {
    return window->Details()->toPlainText().split(u'\n');
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void firstStartWithoutSettings();
    void uncleanEndOffersRebuild_data();
    void uncleanEndOffersRebuild();
    void rebuildWithoutDialogKeepsCommandsAway();
    void recentListsInTheirOrders();
    void choosingRecentKeepsTheList_data();
    void choosingRecentKeepsTheList();
    void folderBrowserAddsNewFolderOnly();
    void storedViewStyle_data();
    void storedViewStyle();
    void closeStoresWorkspaceAndStyle();
    void unopenableWorkspaceStopsStartUp();
    void selectionReachesVersionManager();
    void versionDetails_data();
    void versionDetails();
    void detailsTabStops();
    void deletingAProjectKeepsAnotherOnesDetails_data();
    void deletingAProjectKeepsAnotherOnesDetails();
    void listGroupsOrderAndCaptions();
    void fillInOneUpdateKeepsTheOrder_data();
    void fillInOneUpdateKeepsTheOrder();
    void checkInMovesEntryAndKeepsSelection();
    void selectionSurvivesStyleSwitch();
    void arrowKeysCrossGroups_data();
    void arrowKeysCrossGroups();
    void groupListFollowsItsContents();

private:
    // A workspace with client A, project P and the versions of the grouping
    // rules; returns its path.
    static QString MakeGroupedProject(const TestWorkspace& ws);
    // Starts on ws and selects project P of client A.
    static bool StartOnProject(GuiHarness& app, const TestWorkspace& ws);
};

QString TestMainWindow::MakeGroupedProject(const TestWorkspace& ws) {
    const QString p = ws.Path() + QStringLiteral("A/P/");
    GuiHarness::MakeVersion(p + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("03-02-2024 10:15:00"),
                            QStringLiteral("First."));
    GuiHarness::MakeVersion(p + QStringLiteral("Version 2"), false, QStringLiteral("version 1"),
                            QStringLiteral("jan"), QStringLiteral("10-02-2024 16:40:12"),
                            QStringLiteral("Boom corrected.\r\nLoad table added."));
    GuiHarness::MakeVersion(p + QStringLiteral("Version 3"), true, QStringLiteral("Version 2"),
                            QStringLiteral("jan"), QStringLiteral("12-02-2024 09:02:55"), QString(),
                            QStringLiteral("/usr/bin/vi"));
    GuiHarness::MakeVersion(p + QStringLiteral("Version 9"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(p + QStringLiteral("Version 10"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(p + QStringLiteral("Conversion test"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    ws.CreateDir(QStringLiteral("A/P/Backup"));
    return ws.Path();
}

bool TestMainWindow::StartOnProject(GuiHarness& app, const TestWorkspace& ws) {
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    if (!app.Start())
        return false;
    TreeNode* project = FindNode(app.window->Tree(), QStringLiteral("P"));
    if (!project)
        return false;
    app.window->Tree()->setCurrentItem(project);
    return VersionMngr->ActiveItem() == project->Item();
}

void TestMainWindow::firstStartWithoutSettings() {
    GuiHarness app;
    QVERIFY(app.Start());
    const QString projects = app.ProgramFolder() + QStringLiteral("Projects/");
    QCOMPARE(ProjectMngr->WorkSpace(), projects);
    QVERIFY(QFileInfo(projects).isDir());
    QCOMPARE(app.window->StatusText(), QStringLiteral("Workspace: ") + projects);
    QCOMPARE(QuorvelConfig->RecentOpened()->Items(), QStringList{projects});
    QCOMPARE(ComboItems(app.window->RecentCombo()), QStringList{projects});
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->RecentItems(), QStringList{projects});
    QCOMPARE(app.user.shown, QStringList());
    QCOMPARE(app.window->VersionList()->ViewStyle(), 0);
    QVERIFY(app.window->Command(QStringLiteral("Action2"))->isChecked());
}

void TestMainWindow::uncleanEndOffersRebuild_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("client");
    QTest::newRow("yes rebuilds from the folders") << true << QStringLiteral("New");
    QTest::newRow("no keeps the loaded catalogue") << false << QStringLiteral("Old");
}

void TestMainWindow::uncleanEndOffersRebuild() {
    QFETCH(bool, yes);
    QFETCH(QString, client);
    TestWorkspace ws;
    ws.CreateDir(QStringLiteral("Old"));
    {
        // A clean run writes the catalogue file.
        GuiHarness first;
        first.WriteSettings(
            {QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
        QVERIFY(first.Start());
        first.Stop();
    }
    QVERIFY(QDir(ws.Path()).rename(QStringLiteral("Old"), QStringLiteral("New")));

    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("ShutDown=0"),
                       QStringLiteral("Workspace=") + ws.Path()});
    app.user.QueueConfirm(yes);
    app.Create();
    ProgressRecorder recorder(QuorvelProgressDialog);
    ProjectMngr->SetProgress(&recorder);
    QVERIFY(app.Show());
    QCOMPARE(app.user.shown, QStringList{QStringLiteral("confirm: ") + uncleanQuestion});
    QCOMPARE(app.window->Tree()->Outline(), QStringList{client});
    QCOMPARE(recorder.texts, yes ? QStringList{QStringLiteral("New")} : QStringList());
    QCOMPARE(recorder.shownReports, 0);
    ProjectMngr->SetProgress(QuorvelProgressDialog);
}

void TestMainWindow::rebuildWithoutDialogKeepsCommandsAway() {
    TestWorkspace ws;
    ws.CreateDir(QStringLiteral("A/P/version 1"));
    ws.CreateDir(QStringLiteral("B"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("ShutDown=0"),
                       QStringLiteral("Workspace=") + ws.Path()});
    app.user.QueueConfirm(true);
    app.Create();
    ProgressRecorder recorder(QuorvelProgressDialog);
    ProjectMngr->SetProgress(&recorder);
    QSet<QString> enabledWhileBusy;
    TVersionItem* activeWhileBusy = nullptr;
    recorder.onItem = [&] {
        TMainForm* window = app.window;
        window->ActionManager1Update();
        for (const char* name : {"RefreshWorkspaceAction", "BrowseForFolder1",
                                 "RecentOpenendAction", "NewClientAction", "Action3"}) {
            if (window->Command(QString::fromLatin1(name))->isEnabled())
                enabledWhileBusy << QString::fromLatin1(name);
        }
        // A rebuild asked for now would throw away the catalogue being read.
        window->Command(QStringLiteral("RefreshWorkspaceAction"))->trigger();
        if (TreeNode* node = FindNode(window->Tree(), QStringLiteral("A")))
            window->Tree()->setCurrentItem(node);
        if (VersionMngr->ActiveItem())
            activeWhileBusy = VersionMngr->ActiveItem();
    };
    QVERIFY(app.Show());
    ProjectMngr->SetProgress(QuorvelProgressDialog);
    QCOMPARE(enabledWhileBusy, QSet<QString>{QStringLiteral("Action3")});
    QVERIFY(!activeWhileBusy);
    QCOMPARE(recorder.shownReports, 0);
    // Opening the folder without a catalogue file rebuilt it, the answer
    // Yes once more; no rebuild ran inside another.
    QCOMPARE(recorder.texts.count(QStringLiteral("A")), 2);
    QVERIFY(!QuorvelProgressDialog->Rebuilding());
    // The selection made meanwhile is taken up when the catalogue is whole.
    QTRY_VERIFY(VersionMngr->ActiveItem());
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("A"));
    app.window->ActionManager1Update();
    QVERIFY(app.window->Command(QStringLiteral("RefreshWorkspaceAction"))->isEnabled());
}

void TestMainWindow::recentListsInTheirOrders() {
    TestWorkspace ws;
    const QString a = ws.CreateDir(QStringLiteral("A"));
    const QString b = ws.CreateDir(QStringLiteral("B"));
    const QString c = ws.CreateDir(QStringLiteral("C"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + a,
                       QStringLiteral("[Recent opened]"), QStringLiteral("Items=3"),
                       QStringLiteral("Item 0=") + a, QStringLiteral("Item 1=") + b,
                       QStringLiteral("Item 2=") + c});
    QVERIFY(app.Start());
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->RecentItems(), (QStringList{c, b, a}));
    QCOMPARE(ComboItems(app.window->RecentCombo()), (QStringList{a, b, c}));
    // It shows the open workspace.
    QCOMPARE(app.window->RecentCombo()->currentText(), a);
}

void TestMainWindow::choosingRecentKeepsTheList_data() {
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("combo box") << false;
    QTest::newRow("application menu") << true;
}

void TestMainWindow::choosingRecentKeepsTheList() {
    QFETCH(bool, fromMenu);
    TestWorkspace ws;
    const QString a = ws.CreateDir(QStringLiteral("A"));
    const QString b = ws.CreateDir(QStringLiteral("B"));
    const QString c = ws.CreateDir(QStringLiteral("C"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + a,
                       QStringLiteral("[Recent opened]"), QStringLiteral("Items=3"),
                       QStringLiteral("Item 0=") + a, QStringLiteral("Item 1=") + b,
                       QStringLiteral("Item 2=") + c});
    QVERIFY(app.Start());
    if (fromMenu) {
        app.window->Ribbon()->ApplicationMenu()->ClickRecentItem(1);
    } else {
        QComboBox* combo = app.window->RecentCombo();
        combo->setCurrentIndex(1);
        emit combo->textActivated(combo->currentText());
    }
    QTRY_COMPARE(ProjectMngr->WorkSpace(), b);
    QCOMPARE(app.window->StatusText(), QStringLiteral("Workspace: ") + b);
    QCOMPARE(QuorvelConfig->RecentOpened()->Items(), (QStringList{a, b, c}));
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->RecentItems(), (QStringList{c, b, a}));
}

void TestMainWindow::folderBrowserAddsNewFolderOnly() {
    TestWorkspace ws;
    const QString a = ws.CreateDir(QStringLiteral("A"));
    const QString b = ws.CreateDir(QStringLiteral("B"));
    const QString d = ws.CreateDir(QStringLiteral("D"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + a,
                       QStringLiteral("[Recent opened]"), QStringLiteral("Items=2"),
                       QStringLiteral("Item 0=") + a, QStringLiteral("Item 1=") + b});
    QVERIFY(app.Start());
    QAction* browse = app.window->Command(QStringLiteral("BrowseForFolder1"));
    const QString prompt =
        QStringLiteral("Select the parent directory where your projects are stored.");

    app.user.QueueFolder(FileSystem::WithoutTrailingSeparator(d));
    browse->trigger();
    QCOMPARE(app.window->StatusText(), QStringLiteral("Workspace: ") + d);
    QCOMPARE(ProjectMngr->WorkSpace(), d);
    QCOMPARE(QuorvelConfig->RecentOpened()->Items(), (QStringList{d, a, b}));
    QCOMPARE(ComboItems(app.window->RecentCombo()), (QStringList{d, a, b}));
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->RecentItems(), (QStringList{b, a}));

    // A folder the list knows opens, and nothing else changes; the browser
    // starts at the folder chosen before.
    app.user.QueueFolder(FileSystem::WithoutTrailingSeparator(b));
    browse->trigger();
    QCOMPARE(ProjectMngr->WorkSpace(), b);
    QCOMPARE(QuorvelConfig->RecentOpened()->Items(), (QStringList{d, a, b}));
    QCOMPARE(
        app.user.shown,
        (QStringList{
            QStringLiteral("folder: %1|").arg(prompt),
            QStringLiteral("folder: %1|%2").arg(prompt, FileSystem::WithoutTrailingSeparator(d))}));

    // Cancel changes nothing.
    browse->trigger();
    QCOMPARE(ProjectMngr->WorkSpace(), b);
    QCOMPARE(QuorvelConfig->RecentOpened()->Count(), 3);
}

void TestMainWindow::storedViewStyle_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("report");
    QTest::newRow("large icons") << 0 << QStringLiteral("Action2") << false;
    QTest::newRow("small icons") << 1 << QStringLiteral("Action3") << false;
    QTest::newRow("list") << 2 << QStringLiteral("Action4") << false;
    QTest::newRow("report keeps the design command on") << 3 << QStringLiteral("Action2") << true;
    QTest::newRow("unknown value is kept") << 7 << QStringLiteral("Action2") << false;
}

void TestMainWindow::storedViewStyle() {
    QFETCH(int, stored);
    QFETCH(QString, checked);
    QFETCH(bool, report);
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("ViewStyle=%1").arg(stored)});
    QVERIFY(app.Start());
    VersionListWidget* list = app.window->VersionList();
    QCOMPARE(list->ViewStyle(), stored);
    QCOMPARE(list->CurrentView() == list->ReportView(), report);
    QVERIFY(app.window->Command(checked)->isChecked());
    app.window->close();
    QCOMPARE(QuorvelConfig->ViewStyle(), stored);
}

void TestMainWindow::closeStoresWorkspaceAndStyle() {
    TestWorkspace ws;
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());
    app.window->Command(QStringLiteral("Action4"))->trigger();
    app.Stop();

    const QString settings = app.SettingsFile();
    GuiHarness again;
    QVERIFY(QFile::copy(settings, again.SettingsFile()));
    QVERIFY(again.Start());
    QCOMPARE(ProjectMngr->WorkSpace(), ws.Path());
    QCOMPARE(again.window->VersionList()->ViewStyle(), 2);
    QVERIFY(again.window->Command(QStringLiteral("Action4"))->isChecked());
    QCOMPARE(again.user.shown, QStringList());
}

void TestMainWindow::unopenableWorkspaceStopsStartUp() {
    TestWorkspace ws;
    const QString blocked = ws.CreateFile(QStringLiteral("file")) + QStringLiteral("/below/");
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("ShutDown=0"),
                       QStringLiteral("Workspace=") + blocked, QStringLiteral("ViewStyle=2")});
    QVERIFY(app.Start());
    QCOMPARE(app.user.shown,
             QStringList{QStringLiteral("error: can not create workspace %1, please select another "
                                        "workspace.")
                             .arg(blocked)});
    QCOMPARE(app.window->StatusText(), QStringLiteral("No workspace is open"));
    QCOMPARE(app.window->RecentCombo()->count(), 0);
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->RecentItems(), QStringList());
    QCOMPARE(app.window->VersionList()->ViewStyle(), 0);
    // With no workspace open there is nothing to add a client to or rebuild.
    app.window->ActionManager1Update();
    QVERIFY(!app.window->Command(QStringLiteral("NewClientAction"))->isEnabled());
    QVERIFY(!app.window->Command(QStringLiteral("RefreshWorkspaceAction"))->isEnabled());
    QVERIFY(app.window->Command(QStringLiteral("BrowseForFolder1"))->isEnabled());
}

void TestMainWindow::selectionReachesVersionManager() {
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness::MakeVersion(ws.Path() + QStringLiteral("A/Q/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    QCOMPARE(list->Captions(0), QStringList{QStringLiteral("Version 2 checked out by jan")});

    // A version: the details follow.
    list->SelectRow(list->Model()->RowIn(1, 0));
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("Version 10"));
    QCOMPARE(DetailLines(app.window).first(), QStringLiteral("Version 10"));

    // A client: only the active item changes.
    app.window->Tree()->setCurrentItem(FindNode(app.window->Tree(), QStringLiteral("A")));
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("A"));
    QCOMPARE(list->Captions(1).size(), 5);

    // Another project: its versions; the details show none of another's.
    app.window->Tree()->setCurrentItem(FindNode(app.window->Tree(), QStringLiteral("Q")));
    QCOMPARE(list->Captions(1), QStringList{QStringLiteral("version 1")});
    QCOMPARE(list->Captions(0), QStringList());
    QVERIFY(!list->IsGroupShown(0));
    QCOMPARE(DetailLines(app.window), QStringList{QString()});
}

void TestMainWindow::versionDetails_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("checked in: an empty line, then the description")
        << QStringLiteral("Version 2")
        << QStringList{QStringLiteral("Version 2"),
                       QStringLiteral("Folder:\t%1A/P/Version 2/"),
                       QStringLiteral("State:\tchecked in"),
                       QStringLiteral("Parent version:\tversion 1"),
                       QStringLiteral("Edit With:\t"),
                       QStringLiteral("Checked in at:\t10-02-2024 16:40:12 by jan"),
                       QStringLiteral("Size:\t1 file, {Version 2} bytes"),
                       QString(),
                       QStringLiteral("Description:\tBoom corrected."),
                       QStringLiteral("Load table added.")};
    QTest::newRow("checked out: six lines")
        << QStringLiteral("Version 2 checked out by jan")
        << QStringList{QStringLiteral("Version 2 checked out by jan"),
                       QStringLiteral("Folder:\t%1A/P/Version 3/"),
                       QStringLiteral("State:\tchecked out"),
                       QStringLiteral("Parent version:\tVersion 2"),
                       QStringLiteral("Edit With:\t/usr/bin/vi"),
                       QStringLiteral("Checked out at:\t12-02-2024 09:02:55 by jan"),
                       QStringLiteral("Size:\t1 file, {Version 3} bytes")};
}

void TestMainWindow::versionDetails() {
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    QVERIFY(QTest::qWaitForWindowExposed(app.window));
    VersionListWidget* list = app.window->VersionList();
    VersionListModel* model = list->Model();
    QModelIndex entry;
    for (int group = 0; group < 2 && !entry.isValid(); ++group) {
        for (int i = 0; i < model->RowCountIn(group); ++i) {
            if (model->RowIn(group, i)->caption == caption)
                entry = model->IndexOf(model->RowIn(group, i));
        }
    }
    QVERIFY(entry.isValid());
    // As the user does it: a click on the entry.
    GroupListView* view = list->GroupView(entry.parent().row());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(entry).center());
    // The size, measured in the background, is the data file's.
    for (QString& line : lines) {
        line = line.contains(u'%') ? line.arg(ws.Path()) : line;
        static const QRegularExpression sized(QStringLiteral("\\{(.*)\\}"));
        const QRegularExpressionMatch folder = sized.match(line);
        if (folder.hasMatch())
            line.replace(folder.capturedStart(), folder.capturedLength(),
                         QString::number(QFileInfo(ws.Path() + "A/P/" + folder.captured(1) +
                                                   "/QuorvelConfig.xml")
                                             .size()));
    }
    QTRY_COMPARE(DetailLines(app.window), lines);
}

void TestMainWindow::detailsTabStops() {
    TestWorkspace ws;
    GuiHarness::MakeVersion(ws.Path() + QStringLiteral("A/P/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("03-02-2024 10:15:00"),
                            QStringLiteral("Boom\tcorrected.\r\nLoad table added."));
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    list->SelectRow(list->Model()->RowIn(1, 0));
    QTextEdit* panel = app.window->Details();
    QCOMPARE(DetailLines(app.window).last(), QStringLiteral("Load table added."));
    // Measured as laid out, in points from where an unindented line starts.
    const qreal point = panel->logicalDpiX() / 72.0;
    QList<qreal> values;
    QList<qreal> lineStarts;
    for (QTextBlock block = panel->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLine line = block.layout()->lineAt(0);
        if (block.text().isEmpty())
            continue;
        lineStarts << line.cursorToX(0) / point;
        for (int at = int(block.text().indexOf(u'\t')); at >= 0;
             at = int(block.text().indexOf(u'\t', at + 1)))
            values << line.cursorToX(at + 1) / point;
    }
    // Five labels and the size's, the description's label, then its own tab.
    QCOMPARE(values.size(), 8);
    for (int i = 0; i < values.size(); ++i) {
        const qreal stop = i == 7 ? 270 : 100;
        QVERIFY2(qAbs(values[i] - stop) < 0.75,
                 qPrintable(QStringLiteral("value %1 at %2 pt").arg(i).arg(values[i])));
    }
    for (const qreal start : lineStarts)
        QVERIFY2(qAbs(start - 10) < 0.75, qPrintable(QStringLiteral("line at %1 pt").arg(start)));
}

void TestMainWindow::deletingAProjectKeepsAnotherOnesDetails_data() {
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("listed");
    // Another project, once listed, has the details show none of P's.
    QTest::newRow("another client's project") << QStringLiteral("Ship") << false;
    QTest::newRow("another project of the same client") << QStringLiteral("Q") << false;
    QTest::newRow("the shown version's own project") << QStringLiteral("P") << true;
}

void TestMainWindow::deletingAProjectKeepsAnotherOnesDetails() {
    QFETCH(QString, project);
    QFETCH(bool, listed);
    TestWorkspace ws;
    MakeGroupedProject(ws);
    for (const char* folder : {"A/Q/version 1", "Orion/Ship/version 1"})
        GuiHarness::MakeVersion(ws.Path() + QString::fromLatin1(folder), false, QString(),
                                QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    list->SelectRow(list->Model()->RowIn(1, 0));
    const QStringList shown = DetailLines(app.window);
    QCOMPARE(shown.first(), QStringLiteral("Version 10"));

    // Chosen in the tree; P, the listed project, is chosen there already.
    app.window->Tree()->setCurrentItem(FindNode(app.window->Tree(), QStringLiteral("A")));
    QCOMPARE(DetailLines(app.window), shown);
    app.window->Tree()->setCurrentItem(FindNode(app.window->Tree(), project));
    QCOMPARE(VersionMngr->ActiveItem()->Name(), project);
    QCOMPARE(DetailLines(app.window), listed ? shown : QStringList{QString()});
    app.window->ActionManager1Update();
    app.user.QueueConfirm(true);
    app.window->Command(QStringLiteral("DelProjectAction"))->trigger();
    QVERIFY(!FindNode(app.window->Tree(), project));
    QCOMPARE(DetailLines(app.window), QStringList{QString()});
}

void TestMainWindow::listGroupsOrderAndCaptions() {
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    QCOMPARE(list->GroupHeader(0), QStringLiteral("Checked out A-P"));
    QCOMPARE(list->GroupHeader(1), QStringLiteral("Version(s) A-P"));
    QCOMPARE(list->Captions(0), QStringList{QStringLiteral("Version 2 checked out by jan")});
    QCOMPARE(list->Captions(1),
             (QStringList{QStringLiteral("Version 10"), QStringLiteral("Version 9"),
                          QStringLiteral("Version 2"), QStringLiteral("version 1"),
                          QStringLiteral("Conversion test")}));
    QVERIFY(list->IsGroupShown(0));
    QVERIFY(list->IsGroupShown(1));
    // Each entry shows the picture of its state.
    VersionListModel* model = list->Model();
    QCOMPARE(model->RowIn(0, 0)->imageIndex, 1);
    QCOMPARE(model->RowIn(1, 0)->imageIndex, 0);
    QVERIFY(!model->data(model->IndexOf(model->RowIn(0, 0)), Qt::DecorationRole).isNull());
}

// Rows added between BeginUpdate and EndUpdate go in at once, in the
// places and the order one by one gives them, also when something in the
// middle of the fill needs them placed.
void TestMainWindow::fillInOneUpdateKeepsTheOrder_data() {
    QTest::addColumn<int>("placeAfter");
    QTest::newRow("all gathered") << -1;
    QTest::newRow("placed by a look at the selection half way") << 3;
    QTest::newRow("placed by a change of state half way") << 4;
}

void TestMainWindow::fillInOneUpdateKeepsTheOrder() {
    QFETCH(int, placeAfter);
    TVersions versions(nullptr);
    const QStringList names{QStringLiteral("Version 3"), QStringLiteral("Version 10"),
                            QStringLiteral("version 1"), QStringLiteral("Version 03"),
                            QStringLiteral("Version 7"), QStringLiteral("Version 12"),
                            QStringLiteral("Version 3 ")};
    std::vector<TVersion*> made;
    for (const QString& name : names) {
        auto* version = static_cast<TVersion*>(versions.AddItem());
        version->SetName(name);
        version->SetState(made.size() % 3 == 1 ? vsCheckedOut : vsCheckedIn);
        made.push_back(version);
    }
    // The same steps, with and without an update around them.
    auto fill = [&](VersionListWidget& list, bool inOneUpdate) {
        if (inOneUpdate)
            list.BeginUpdate();
        for (size_t i = 0; i < made.size(); ++i) {
            made[i]->AddToView(&list);
            if (int(i) == placeAfter && placeAfter == 3)
                QVERIFY(!list.IsRowSelected(made[0]->ListItem()));
            if (int(i) == placeAfter && placeAfter == 4) {
                made[0]->SetState(vsCheckedOut);
                made[0]->SetState(vsCheckedIn);
            }
        }
        list.Sort();
        if (inOneUpdate)
            list.EndUpdate();
    };
    VersionListWidget oneByOne;
    fill(oneByOne, false);
    const QStringList out = oneByOne.Captions(0);
    const QStringList in = oneByOne.Captions(1);
    if (placeAfter < 0) {
        QCOMPARE(in, (QStringList{QStringLiteral("Version 12"), QStringLiteral("Version 3"),
                                  QStringLiteral("Version 03"), QStringLiteral("Version 3 "),
                                  QStringLiteral("version 1")}));
    }
    VersionListWidget filled;
    fill(filled, true);
    QCOMPARE(filled.Captions(0), out);
    QCOMPARE(filled.Captions(1), in);
    QCOMPARE(filled.RowCount(), int(made.size()));
}

void TestMainWindow::checkInMovesEntryAndKeepsSelection() {
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    VersionListRow* row = list->Model()->RowIn(0, 0);
    list->SelectRow(row);
    app.window->ActionManager1Update();
    app.user.QueueCheckIn(QStringLiteral("Ready."));
    app.window->Command(QStringLiteral("CheckInAction"))->trigger();
    QCOMPARE(list->Captions(0), QStringList());
    QVERIFY(!list->IsGroupShown(0));
    QCOMPARE(list->Captions(1).mid(0, 3),
             (QStringList{QStringLiteral("Version 10"), QStringLiteral("Version 9"),
                          QStringLiteral("Version 3")}));
    QVERIFY(list->IsRowSelected(row));
    QCOMPARE(DetailLines(app.window).last(), QStringLiteral("Description:\tReady."));
}

void TestMainWindow::selectionSurvivesStyleSwitch() {
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    VersionListWidget* list = app.window->VersionList();
    VersionListRow* row = list->Model()->RowIn(1, 2);
    list->SelectRow(row);
    for (const char* style : {"Action3", "Action4", "Action2"}) {
        app.window->Command(QString::fromLatin1(style))->trigger();
        QVERIFY(list->IsRowSelected(row));
    }
    list->SetViewStyle(VersionListWidget::Report);
    QVERIFY(list->ReportView()->selectionModel()->isSelected(list->Model()->IndexOf(row)));
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("Version 2"));
}

void TestMainWindow::arrowKeysCrossGroups_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("forward");
    QTest::addColumn<int>("back");
    QTest::newRow("large icons") << 0 << int(Qt::Key_Right) << int(Qt::Key_Left);
    QTest::newRow("list") << 2 << int(Qt::Key_Down) << int(Qt::Key_Up);
    QTest::newRow("report") << 3 << int(Qt::Key_Down) << int(Qt::Key_Up);
}

void TestMainWindow::arrowKeysCrossGroups() {
    QFETCH(int, style);
    QFETCH(int, forward);
    QFETCH(int, back);
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    QVERIFY(QTest::qWaitForWindowExposed(app.window));
    VersionListWidget* list = app.window->VersionList();
    list->SetViewStyle(style);
    VersionListModel* model = list->Model();
    list->SelectRow(model->RowIn(0, 0));
    const auto keyTo = [&](int key) -> QWidget* {
        QWidget* target = style == VersionListWidget::Report
                              ? static_cast<QWidget*>(list->ReportView())
                              : static_cast<QWidget*>(list->GroupView(
                                    list->Selection()->currentIndex().parent().row()));
        QTest::keyClick(target, Qt::Key(key));
        return target;
    };
    keyTo(forward);
    QVERIFY(list->IsRowSelected(model->RowIn(1, 0)));
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("Version 10"));
    keyTo(back);
    QVERIFY(list->IsRowSelected(model->RowIn(0, 0)));
    // Nothing before the first group: the selection stays.
    keyTo(back);
    QVERIFY(list->IsRowSelected(model->RowIn(0, 0)));
}

void TestMainWindow::groupListFollowsItsContents() {
    TestWorkspace ws;
    MakeGroupedProject(ws);
    GuiHarness::MakeVersion(ws.Path() + QStringLiteral("A/Q/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness app;
    QVERIFY(StartOnProject(app, ws));
    QVERIFY(QTest::qWaitForWindowExposed(app.window));
    VersionListWidget* list = app.window->VersionList();
    list->SetViewStyle(VersionListWidget::List);
    GroupListView* checkedIn = list->GroupView(1);
    QTRY_COMPARE(checkedIn->height(), checkedIn->ContentsHeight());
    const int fiveRows = checkedIn->height();
    QCOMPARE(checkedIn->verticalScrollBar()->maximum(), 0);

    app.window->Tree()->setCurrentItem(FindNode(app.window->Tree(), QStringLiteral("Q")));
    QTRY_VERIFY(checkedIn->height() < fiveRows);
    QCOMPARE(checkedIn->height(), checkedIn->ContentsHeight());
    QVERIFY(checkedIn->height() > 0);
}

QUORVEL_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
