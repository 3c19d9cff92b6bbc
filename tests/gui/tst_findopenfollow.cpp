// The tree's filter, "Open folder", and the version list following
// version folders changed outside the program.
#include "GuiHarness.h"

#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "ui/CatalogueTree.h"
#include "ui/FolderCommands.h"
#include "ui/ListedProjectWatcher.h"
#include "ui/TreeFilterField.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QMenu>
#include <QTextEdit>
#include <QtTest>

namespace {

TreeNode* FindNode(CatalogueTree* tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : static_cast<TreeNode*>(found.first());
}

QStringList Trimmed(QStringList lines) {
    for (QString& line : lines)
        line = line.trimmed();
    return lines;
}

TVersion* ListedVersion(const QString& name) {
    TVersionItem* project = VersionMngr->InstalledProject();
    return project ? static_cast<TVersion*>(project->VersionCollection()->ItemByName(name))
                   : nullptr;
}

} // namespace

class TestFindOpenFollow : public QObject {
    Q_OBJECT

private slots:
    void filterNarrowsTheTree_data();
    void filterNarrowsTheTree();
    void filterKeepsItemsAndSelection();
    void openFolderOpensTheItemsFolder_data();
    void openFolderOpensTheItemsFolder();
    void listFollowsOutsideChanges_data();
    void listFollowsOutsideChanges();
    void ownCommandsLeaveTheListAsItIs();
    void goneProjectFolderIsLeftAlone();

private:
    // Clients Acme (Crane, Pump), Borealis (Ship, Acme tools), Cobalt
    // (Mill), each project with version 1 and Version 2.
    static void MakeWorkspace(const TestWorkspace& ws);
    static bool StartOn(GuiHarness& app, const TestWorkspace& ws, const QString& node);
    static TreeFilterField* Filter(const GuiHarness& app) {
        return app.window->findChild<TreeFilterField*>();
    }
};

void TestFindOpenFollow::MakeWorkspace(const TestWorkspace& ws) {
    for (const char* project :
         {"Acme/Crane", "Acme/Pump", "Borealis/Ship", "Borealis/Acme tools", "Cobalt/Mill"}) {
        const QString folder = ws.Path() + QLatin1String(project);
        GuiHarness::MakeVersion(folder + QStringLiteral("/version 1"), false, QString(),
                                QStringLiteral("jan"), QStringLiteral("03-02-2024 10:15:00"));
        GuiHarness::MakeVersion(folder + QStringLiteral("/Version 2"), false,
                                QStringLiteral("version 1"), QStringLiteral("jan"),
                                QStringLiteral("04-02-2024 10:15:00"));
    }
}

bool TestFindOpenFollow::StartOn(GuiHarness& app, const TestWorkspace& ws, const QString& node) {
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    if (!app.Start())
        return false;
    TreeNode* chosen = FindNode(app.window->Tree(), node);
    if (!chosen)
        return false;
    app.window->Tree()->setCurrentItem(chosen);
    return VersionMngr->ActiveItem() == chosen->Item();
}

// Clients and projects whose names hold the text, case-blind; a client
// with a matching project stays, a matching client keeps all its projects;
// the tree's own order is kept.
void TestFindOpenFollow::filterNarrowsTheTree_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    // What the window looked like, kept when QUORVEL_SCREENSHOTS names a folder.
    QTest::addColumn<QString>("picture");
    QTest::newRow("nothing typed")
        << QString()
        << QStringList{"Acme", "Crane", "Pump", "Borealis", "Ship", "Acme tools", "Cobalt", "Mill"}
        << QString();
    QTest::newRow("a project") << "crane" << QStringList{"Acme", "Crane"} << QString();
    QTest::newRow("a client keeps its projects, other clients their matches")
        << "ACME" << QStringList{"Acme", "Crane", "Pump", "Borealis", "Acme tools"}
        << "tree-filter.png";
    QTest::newRow("part of a name")
        << "o" << QStringList{"Borealis", "Ship", "Acme tools", "Cobalt", "Mill"} << QString();
    QTest::newRow("blank inside") << "e t" << QStringList{"Borealis", "Acme tools"} << QString();
    QTest::newRow("no match") << "zzz" << QStringList() << QString();
}

void TestFindOpenFollow::filterNarrowsTheTree() {
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    QFETCH(QString, picture);
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, QStringLiteral("Crane")));
    ListedVersion(QStringLiteral("Version 2"))->SetVersionSelected(true);
    CatalogueTree* tree = app.window->Tree();
    TreeFilterField* filter = Filter(app);
    QVERIFY(filter);

    // The order the tree has, whatever the file system listed.
    const QStringList all = Trimmed(tree->Outline());
    QStringList expected;
    for (const QString& name : all) {
        if (shown.contains(name))
            expected << name;
    }
    QTest::keyClicks(filter, typed);
    QCOMPARE(Trimmed(tree->VisibleOutline()), expected);
    QCOMPARE(tree->FilterText(), typed);
    const QString screenshots = qEnvironmentVariable("QUORVEL_SCREENSHOTS");
    app.window->ActionManager1Update();
    if (!picture.isEmpty() && !screenshots.isEmpty()) {
        app.window->resize(1061, 828); // the window's design size
        QVERIFY(app.window->grab().save(QDir(screenshots).filePath(picture)));
    }

    // Escape shows everything again.
    QTest::keyClick(filter, Qt::Key_Escape);
    QCOMPARE(filter->text(), QString());
    QCOMPARE(Trimmed(tree->VisibleOutline()), all);
}

void TestFindOpenFollow::filterKeepsItemsAndSelection() {
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, QStringLiteral("Crane")));
    CatalogueTree* tree = app.window->Tree();
    TreeFilterField* filter = Filter(app);
    TVersionItem* crane = VersionMngr->ActiveItem();

    // Ctrl+F reaches the field from anywhere in the window.
    app.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.window));
    tree->setFocus();
    filter->FindCommand()->trigger();
    QVERIFY(filter->hasFocus());

    // The selected project hidden: it stays the active item and listed.
    QTest::keyClicks(filter, QStringLiteral("ship"));
    QVERIFY(!CatalogueTree::IsShownByFilter(FindNode(tree, QStringLiteral("Crane"))));
    QCOMPARE(VersionMngr->ActiveItem(), crane);
    QCOMPARE(static_cast<TVersionItem*>(VersionMngr->InstalledProject()), crane);
    QCOMPARE(crane->GetTreeNode(), FindNode(tree, QStringLiteral("Crane")));

    // Nodes made, renamed and deleted while filtered follow the filter.
    app.user.QueueName(QStringLiteral("Shipyard"));
    VersionMngr->NewClient();
    app.user.QueueName(QStringLiteral("Zeta"));
    TVersionItem* zeta = VersionMngr->NewClient();
    QCOMPARE(Trimmed(tree->VisibleOutline()), (QStringList{"Borealis", "Ship", "Shipyard"}));
    VersionMngr->SetActiveItem(zeta);
    app.user.QueueName(QStringLiteral("Ship parts"));
    QVERIFY(VersionMngr->RenameClient());
    QVERIFY(Trimmed(tree->VisibleOutline()).contains(QStringLiteral("Ship parts")));
    VersionMngr->SetActiveItem(FindNode(tree, QStringLiteral("Ship"))->Item());
    app.user.QueueConfirm(true);
    QVERIFY(VersionMngr->DelProject());
    QCOMPARE(Trimmed(tree->VisibleOutline()), (QStringList{"Shipyard", "Ship parts"}));

    // Down goes into the tree, onto the first node shown.
    tree->setCurrentItem(FindNode(tree, QStringLiteral("Crane")));
    QTest::keyClick(filter, Qt::Key_Down);
    QVERIFY(tree->hasFocus());
    QCOMPARE(tree->SelectedNode(), FindNode(tree, QStringLiteral("Shipyard")));
    QCOMPARE(VersionMngr->ActiveItem(), tree->SelectedNode()->Item());

    // Escape in the field clears it; everything is shown again.
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Escape);
    QCOMPARE(tree->VisibleOutline(), tree->Outline());
}

void TestFindOpenFollow::openFolderOpensTheItemsFolder_data() {
    QTest::addColumn<QString>("treeNode");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("fromTree");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a version") << "Crane"
                               << "Version 2" << false << ""
                               << "Acme/Crane/Version 2/";
    QTest::newRow("no version chosen: the listed project") << "Crane"
                                                           << "" << false << ""
                                                           << "Acme/Crane/";
    QTest::newRow("a client in the tree") << "Borealis"
                                          << "" << true << ""
                                          << "Borealis/";
    QTest::newRow("a project in the tree") << "Pump"
                                           << "" << true << ""
                                           << "Acme/Pump/";
    QTest::newRow("the version's folder is gone") << "Crane"
                                                  << "version 1" << false << "Acme/Crane/version 1"
                                                  << "";
    QTest::newRow("the client's folder is gone") << "Cobalt"
                                                 << "" << true << "Cobalt"
                                                 << "";
}

void TestFindOpenFollow::openFolderOpensTheItemsFolder() {
    QFETCH(QString, treeNode);
    QFETCH(QString, version);
    QFETCH(bool, fromTree);
    QFETCH(QString, removed);
    QFETCH(QString, expected);
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, treeNode));
    auto* commands = app.window->findChild<FolderCommands*>();
    QVERIFY(commands);
    QStringList opened;
    commands->SetOpener([&opened](const QString& folder) {
        opened << folder;
        return true;
    });
    if (!version.isEmpty()) {
        ListedVersion(version)->SetVersionSelected(true);
        QCOMPARE(VersionMngr->ActiveItem()->Name(), version);
    }
    if (!removed.isEmpty())
        QVERIFY(QDir(ws.Path() + removed).removeRecursively());

    // Each command is in its context menu, with its access key and key.
    QAction* command = fromTree ? commands->TreeCommand() : commands->VersionCommand();
    QMenu* menu = fromTree ? app.window->ProjectMenu() : app.window->VersionMenu();
    QVERIFY(menu->actions().contains(command));
    QCOMPARE(command->text(), QStringLiteral("Open &folder"));
    QVERIFY(!command->shortcut().isEmpty());
    emit menu->aboutToShow();
    QVERIFY(command->isEnabled());
    command->trigger();

    if (expected.isEmpty()) {
        QCOMPARE(opened, QStringList());
        QCOMPARE(app.user.messages.size(), 1);
        QVERIFY(app.user.messages[0].contains(ws.Path() + removed));
        QVERIFY(app.user.messages[0].contains(QStringLiteral("not there any more")));
    } else {
        QCOMPARE(opened, QStringList{ws.Path() + expected});
        QCOMPARE(app.user.messages, QStringList());
    }
}

// Outside changes reach the list; the selection stays where its version
// does. The changes: "+name" makes a version folder, "-name" removes one,
// "a>b" renames one.
void TestFindOpenFollow::listFollowsOutsideChanges_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("selectedAfter");
    QTest::newRow("a version appears")
        << QStringList{"+Version 3"} << QStringList{"Version 3", "Version 2", "version 1"}
        << "version 1";
    QTest::newRow("a version goes")
        << QStringList{"-Version 2"} << QStringList{"version 1"} << "version 1";
    QTest::newRow("the selected version goes")
        << QStringList{"-version 1"} << QStringList{"Version 2"} << "";
    QTest::newRow("renamed") << QStringList{"Version 2>Version 7"}
                             << QStringList{"Version 7", "version 1"} << "version 1";
    QTest::newRow("unfinished work is no version")
        << QStringList{"+.quorvel-partial-x"} << QStringList{"Version 2", "version 1"}
        << "version 1";
}

void TestFindOpenFollow::listFollowsOutsideChanges() {
    QFETCH(QStringList, changes);
    QFETCH(QStringList, rows);
    QFETCH(QString, selectedAfter);
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, QStringLiteral("Crane")));
    ListedVersion(QStringLiteral("version 1"))->SetVersionSelected(true);
    auto* watcher = app.window->findChild<ListedProjectWatcher*>();
    QVERIFY(watcher);
    const QString crane = ws.Path() + QStringLiteral("Acme/Crane");
    // Only what is on screen is watched.
    watcher->UpdateWatched();
    QCOMPARE(watcher->Watched().size(), 3);
    QVERIFY(watcher->Watched().contains(crane));
    QVERIFY(watcher->Watched().contains(ws.Path() + QStringLiteral("Acme")));

    for (const QString& change : changes) {
        if (change.startsWith(u'+'))
            QVERIFY(QDir(crane).mkdir(change.mid(1)));
        else if (change.startsWith(u'-'))
            QVERIFY(QDir(crane + u'/' + change.mid(1)).removeRecursively());
        else
            QVERIFY(QDir(crane).rename(change.section(u'>', 0, 0), change.section(u'>', 1)));
    }
    VersionListWidget* list = app.window->VersionList();
    QTRY_COMPARE(list->Captions(1), rows);
    TVersion* selected = list->SelectedVersion();
    QCOMPARE(selected ? selected->Name() : QString(), selectedAfter);
    if (selectedAfter.isEmpty()) {
        QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("Crane"));
        QCOMPARE(app.window->Details()->toPlainText(), QString());
    } else {
        QCOMPARE(VersionMngr->ActiveItem(), static_cast<TVersionItem*>(selected));
    }
    // Nothing was shown to the user and nothing written.
    QCOMPARE(app.user.shown, QStringList());
    QVERIFY(QDir(crane).exists(QStringLiteral(".quorvel-partial-x")) ||
            !changes.contains(QStringLiteral("+.quorvel-partial-x")));
}

void TestFindOpenFollow::ownCommandsLeaveTheListAsItIs() {
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, QStringLiteral("Crane")));
    auto* watcher = app.window->findChild<ListedProjectWatcher*>();
    watcher->UpdateWatched();
    // The tree's selection as the start-up left it is taken up first.
    app.window->ActionManager1Update();
    QTest::qWait(1);
    ListedVersion(QStringLiteral("Version 2"))->SetVersionSelected(true);
    app.window->ActionManager1Update();
    app.window->Command(QStringLiteral("CheckOutAction"))->trigger();
    VersionListWidget* list = app.window->VersionList();
    QCOMPARE(list->Captions(0).size(), 1);
    TVersionItem* made = VersionMngr->ActiveItem();
    QCOMPARE(made->Name(), QStringLiteral("Version 3"));
    // The watcher saw the copy being made and put in place; once it has
    // looked, the list is as the check-out left it.
    QTest::qWait(2 * ListedProjectWatcher::GatherMs);
    watcher->FollowNow();
    QCOMPARE(list->Captions(0).size(), 1);
    QCOMPARE(list->Captions(1), (QStringList{"Version 2", "version 1"}));
    QCOMPARE(VersionMngr->ActiveItem(), made);
    QCOMPARE(list->SelectedVersion(), static_cast<TVersion*>(made));

    app.user.QueueConfirm(true);
    app.window->ActionManager1Update();
    app.window->Command(QStringLiteral("UndoCheckoutAction"))->trigger();
    QTest::qWait(2 * ListedProjectWatcher::GatherMs);
    watcher->FollowNow();
    QCOMPARE(list->Captions(0), QStringList());
    QCOMPARE(list->Captions(1), (QStringList{"Version 2", "version 1"}));
}

void TestFindOpenFollow::goneProjectFolderIsLeftAlone() {
    TestWorkspace ws;
    MakeWorkspace(ws);
    GuiHarness app;
    QVERIFY(StartOn(app, ws, QStringLiteral("Crane")));
    auto* watcher = app.window->findChild<ListedProjectWatcher*>();
    const QString acme = ws.Path() + QStringLiteral("Acme");
    watcher->UpdateWatched();
    QCOMPARE(watcher->Watched().size(), 3);

    // The project's folder goes: the versions stay in the catalogue.
    QVERIFY(QDir(acme).rename(QStringLiteral("Crane"), QStringLiteral("Crane moved")));
    QTRY_VERIFY(!watcher->Watched().contains(acme + QStringLiteral("/Crane")));
    QTest::qWait(2 * ListedProjectWatcher::GatherMs);
    VersionListWidget* list = app.window->VersionList();
    QCOMPARE(list->Captions(1), (QStringList{"Version 2", "version 1"}));

    // Back, with a version more: watched and followed again.
    QVERIFY(QDir(acme + QStringLiteral("/Crane moved")).mkdir(QStringLiteral("Version 5")));
    QVERIFY(QDir(acme).rename(QStringLiteral("Crane moved"), QStringLiteral("Crane")));
    QTRY_COMPARE(list->Captions(1), (QStringList{"Version 5", "Version 2", "version 1"}));
    QTRY_VERIFY(watcher->Watched().contains(acme + QStringLiteral("/Crane")));
    QCOMPARE(app.user.shown, QStringList());
}

QUORVEL_GUI_TEST_MAIN(TestFindOpenFollow)
#include "tst_findopenfollow.moc"
