// The client and project commands act on what the tree highlights: the
// highlighted node is the active item's project, or its client, whatever
// made the item active. A command that fails keeps what it was to remove.
#include "GuiHarness.h"

#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/FileSystem.h"
#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/ListedProjectWatcher.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonBar.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"
#include "workspace/TRecentOpened.h"

#include <QAction>
#include <QComboBox>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>

namespace {

TVersionItem* ItemAt(const QString& path) {
    TVersionCollection* level = ProjectMngr->Clients();
    TVersionItem* item = nullptr;
    for (const QString& name : path.split(u'/')) {
        item = level ? level->ItemByName(name) : nullptr;
        level = item ? item->VersionCollection() : nullptr;
    }
    return item;
}

QString PathOf(const TVersionItem* item) {
    if (!item)
        return QString();
    const TVersionItem* parent = item->ParentItem();
    return parent ? PathOf(parent) + u'/' + item->Name() : item->Name();
}

} // namespace

class TestCommandTarget : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void highlightedNodeIsTheTarget_data();
    void highlightedNodeIsTheTarget();
    void failedSwitchKeepsTheOpenWorkspace_data();
    void failedSwitchKeepsTheOpenWorkspace();

private:
    void ClickNode(const QString& path);
    void ClickVersion(const QString& path);
    // As the user would: the commands are enabled when the program waits.
    void Trigger(const char* command) {
        app_->window->ActionManager1Update();
        app_->window->Command(QLatin1String(command))->trigger();
    }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestCommandTarget::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString fleet = ws_->Path() + QStringLiteral("Acme Shipping/Fleet Renewal/");
    GuiHarness::MakeVersion(fleet + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("01-02-2024 10:00:00"));
    GuiHarness::MakeVersion(fleet + QStringLiteral("Version 2"), false, QStringLiteral("version 1"),
                            QStringLiteral("jan"), QStringLiteral("02-02-2024 10:00:00"));
    GuiHarness::MakeVersion(fleet + QStringLiteral("Version 3"), true, QStringLiteral("Version 2"),
                            QStringLiteral("jan"), QStringLiteral("03-02-2024 10:00:00"));
    for (const char* other : {"Acme Shipping/Harbour/version 1", "Acme Shipping/Cargo/version 1",
                              "Cobalt and Sons/Web/version 1"}) {
        GuiHarness::MakeVersion(ws_->Path() + QLatin1String(other), false, QString(),
                                QStringLiteral("jan"), QStringLiteral("01-02-2024 10:00:00"));
    }
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path(),
                         QStringLiteral("[Recent opened]"), QStringLiteral("Items=1"),
                         QStringLiteral("Item 0=") + ws_->Path()});
    QVERIFY(app_->Start());
    // Listed: Acme Shipping › Fleet Renewal, its version 1 chosen.
    ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/version 1"));
}

void TestCommandTarget::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestCommandTarget::ClickNode(const QString& path) {
    TVersionItem* item = ItemAt(path);
    QVERIFY2(item, qPrintable(path));
    app_->window->Tree()->setCurrentItem(static_cast<TreeNode*>(item->GetTreeNode()));
    QCOMPARE(VersionMngr->ActiveItem(), item);
}

void TestCommandTarget::ClickVersion(const QString& path) {
    auto* version = dynamic_cast<TVersion*>(ItemAt(path));
    QVERIFY2(version, qPrintable(path));
    if (VersionMngr->InstalledProject() != version->ParentItem())
        ClickNode(path.section(u'/', 0, 1));
    app_->window->VersionList()->SelectRow(version->ListItem());
    QCOMPARE(VersionMngr->ActiveItem(), version);
}

void TestCommandTarget::highlightedNodeIsTheTarget_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("highlighted");
    QTest::addColumn<QString>("active");

    // Each starts with client Cobalt and Sons highlighted while the list
    // shows Acme Shipping › Fleet Renewal.
    QTest::newRow("a version chosen in the list") << "list"
                                                  << "Acme Shipping/Fleet Renewal"
                                                  << "Acme Shipping/Fleet Renewal/Version 2";
    QTest::newRow("new client, then new project") << "new client"
                                                  << "Gable & Hart/Logo"
                                                  << "Gable & Hart/Logo";
    QTest::newRow("new project") << "new project"
                                 << "Cobalt and Sons/Logo"
                                 << "Cobalt and Sons/Logo";
    QTest::newRow("client renamed") << "rename client"
                                    << "Cobalt Ltd"
                                    << "Cobalt Ltd";
    QTest::newRow("project renamed") << "rename project"
                                     << "Acme Shipping/Fleet 2030"
                                     << "Acme Shipping/Fleet 2030";
    QTest::newRow("check-out") << "check out"
                               << "Acme Shipping/Fleet Renewal"
                               << "Acme Shipping/Fleet Renewal/Version 4";
    QTest::newRow("check-out undone") << "undo"
                                      << "Acme Shipping/Fleet Renewal"
                                      << "Acme Shipping/Fleet Renewal";
    QTest::newRow("chosen in All Checked Out") << "checked out panel"
                                               << "Acme Shipping/Fleet Renewal"
                                               << "Acme Shipping/Fleet Renewal/Version 3";
    QTest::newRow("listed project deleted") << "delete project"
                                            << "Acme Shipping"
                                            << "Acme Shipping";
    // The desktop trash refuses the folder (as on a read-only workspace):
    // the project stays in the tree, the list and All Checked Out.
    QTest::newRow("delete that fails keeps the project") << "failed delete"
                                                         << "Acme Shipping/Fleet Renewal"
                                                         << "Acme Shipping/Fleet Renewal/Version 2";
    QTest::newRow("client delete that fails keeps the client") << "failed client delete"
                                                               << "Cobalt and Sons"
                                                               << "Cobalt and Sons";
}

void TestCommandTarget::highlightedNodeIsTheTarget() {
    QFETCH(QString, step);
    QFETCH(QString, highlighted);
    QFETCH(QString, active);
    CatalogueTree* tree = app_->window->Tree();
    ClickNode(QStringLiteral("Cobalt and Sons"));
    QCOMPARE(VersionMngr->InstalledProject()->Name(), QStringLiteral("Fleet Renewal"));
    GuiHarness& app = *app_;

    if (step == QLatin1String("list")) {
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
    } else if (step == QLatin1String("new client")) {
        // The window follows the new folder as it follows others' work.
        auto* watcher = app.window->findChild<ListedProjectWatcher*>();
        watcher->UpdateWatched();
        QSignalSpy followed(watcher, &ListedProjectWatcher::followed);
        app.user.QueueName(QStringLiteral("Gable & Hart"));
        Trigger("NewClientAction");
        QTRY_VERIFY(!followed.isEmpty());
        QCOMPARE(PathOf(VersionMngr->ActiveItem()), QStringLiteral("Gable & Hart"));
        QCOMPARE(PathOf(tree->SelectedNode()->Item()), QStringLiteral("Gable & Hart"));
        app.user.QueueName(QStringLiteral("Logo"));
        Trigger("NewProjectAction");
        QVERIFY(!ItemAt(QStringLiteral("Acme Shipping/Logo")));
    } else if (step == QLatin1String("new project")) {
        app.user.QueueName(QStringLiteral("Logo"));
        Trigger("NewProjectAction");
    } else if (step == QLatin1String("rename client")) {
        // The window follows the renamed folder as it follows others' work.
        auto* watcher = app.window->findChild<ListedProjectWatcher*>();
        watcher->UpdateWatched();
        QSignalSpy followed(watcher, &ListedProjectWatcher::followed);
        app.user.QueueName(QStringLiteral("Cobalt Ltd"));
        Trigger("RenameClientAction");
        QTRY_VERIFY(!followed.isEmpty());
    } else if (step == QLatin1String("rename project")) {
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
        ClickNode(QStringLiteral("Cobalt and Sons"));
        ClickNode(QStringLiteral("Acme Shipping/Fleet Renewal"));
        auto* watcher = app.window->findChild<ListedProjectWatcher*>();
        watcher->UpdateWatched();
        QSignalSpy followed(watcher, &ListedProjectWatcher::followed);
        app.user.QueueName(QStringLiteral("Fleet 2030"));
        Trigger("RenameProjectAction");
        QTRY_VERIFY(!followed.isEmpty());
    } else if (step == QLatin1String("check out")) {
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
        ClickNode(QStringLiteral("Cobalt and Sons"));
        // The list's choice again, as a click on it would.
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/version 1"));
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
        Trigger("CheckOutAction");
    } else if (step == QLatin1String("undo")) {
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 3"));
        app.user.QueueConfirm(true);
        Trigger("UndoCheckoutAction");
    } else if (step == QLatin1String("checked out panel")) {
        emit app.window->Overview()->Panel()->versionChosen(QStringLiteral("Acme Shipping"),
                                                            QStringLiteral("Fleet Renewal"),
                                                            QStringLiteral("Version 3"));
    } else if (step == QLatin1String("delete project")) {
        ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
        app.user.QueueConfirm(true);
        Trigger("DelProjectAction");
        QVERIFY(!ItemAt(QStringLiteral("Acme Shipping/Fleet Renewal")));
    } else if (step.startsWith(QLatin1String("failed"))) {
        // A file where the trash folder would be: every move to it fails.
        const QString trash =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Trash");
        QDir(trash).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(trash).path()));
        const QString blocker = trash;
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto unblock = qScopeGuard([blocker] { QFile::remove(blocker); });
        app.window->Overview()->UpdateEnabled();
        app.window->Overview()->CheckedOutAction()->trigger();
        QTRY_COMPARE(app.window->Overview()->Panel()->Rows().size(), 1);
        if (step == QLatin1String("failed delete")) {
            ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
            app.user.QueueConfirm(true);
            Trigger("DelProjectAction");
        } else {
            app.user.QueueConfirm(true);
            Trigger("DelClientAction");
        }
        QCOMPARE(app.user.messages.last(),
                 QStringLiteral("The folder %1%2 could not be moved to the trash; it is still "
                                "on disk.")
                     .arg(ws_->Path(), highlighted));
        QVERIFY(ItemAt(highlighted));
        QVERIFY(
            !tree->findItems(highlighted.section(u'/', -1), Qt::MatchExactly | Qt::MatchRecursive)
                 .isEmpty());
        QCOMPARE(VersionMngr->InstalledProject()->Name(), QStringLiteral("Fleet Renewal"));
        QTest::qWait(50);
        QCOMPARE(app.window->Overview()->Panel()->Rows().size(), 1);
        QVERIFY(app.window->Overview()->Panel()->Rows().first().startsWith(
            QStringLiteral("Acme Shipping | Fleet Renewal | ")));
    }
    QVERIFY(!app.user.ranOutOfAnswers);

    QCOMPARE(PathOf(VersionMngr->ActiveItem()), active);
    TreeNode* node = tree->SelectedNode();
    QVERIFY(node);
    QCOMPARE(PathOf(node->Item()), highlighted);
    // The client command asks about the highlighted node's client.
    app.user.QueueConfirm(false);
    Trigger("DelClientAction");
    QVERIFY(app.user.shown.last().startsWith(
        QStringLiteral("confirm: Delete client %1 with all").arg(highlighted.section(u'/', 0, 0))));
}

void TestCommandTarget::failedSwitchKeepsTheOpenWorkspace_data() {
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<int>("leave");
    QTest::addColumn<bool>("opens");
    QTest::newRow("a folder that cannot be made") << "below a file" << -1 << false;
    QTest::newRow("a damaged catalogue file") << "damaged" << -1 << false;
    QTest::newRow("a workspace that cannot be locked") << "unlockable" << -1 << false;
    QTest::newRow("old catalogue not saved, the user stays") << "unsaved" << 0 << false;
    QTest::newRow("old catalogue not saved, the user leaves") << "unsaved" << 1 << true;
}

void TestCommandTarget::failedSwitchKeepsTheOpenWorkspace() {
    QFETCH(QString, trouble);
    QFETCH(int, leave);
    QFETCH(bool, opens);
    GuiHarness& app = *app_;
    TestWorkspace other;
    QString next = other.Path() + QStringLiteral("Next/");
    GuiHarness::MakeVersion(next + QStringLiteral("Dune/Site/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("01-02-2024 10:00:00"));
    if (trouble == QLatin1String("below a file")) {
        next = other.CreateFile(QStringLiteral("file")) + QStringLiteral("/below/");
    } else if (trouble == QLatin1String("damaged")) {
        other.CreateFile(QStringLiteral("Next/QuorvelConfig.xml"),
                         "<Clients count=\"1\" >\r<Client name=\"Dune\">\r<Projects "
                         "count=\"zz\" >\r</Projects>\r</Client>\r</Clients>\r\n");
    } else if (trouble == QLatin1String("unlockable")) {
        other.CreateDir(QStringLiteral("Next/.quorvel-lock"));
    } else {
        // The open workspace's catalogue file cannot be replaced any more.
        QVERIFY(QFile::remove(ws_->Path() + QStringLiteral("QuorvelConfig.xml")));
        ws_->CreateDir(QStringLiteral("QuorvelConfig.xml"));
        app.user.QueueConfirm(leave == 1);
    }
    const QString old = ws_->Path();
    const QStringList outline = app.window->Tree()->Outline();
    const QStringList recent = QuorvelConfig->RecentOpened()->Items();
    ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 2"));
    TVersionItem* active = VersionMngr->ActiveItem();

    app.user.QueueFolder(FileSystem::WithoutTrailingSeparator(next));
    Trigger("BrowseForFolder1");
    QVERIFY(!app.user.ranOutOfAnswers);

    const QString open = opens ? next : old;
    QCOMPARE(ProjectMngr->WorkSpace(), open);
    QCOMPARE(app.window->StatusText(), QStringLiteral("Workspace: ") + open);
    QCOMPARE(app.window->RecentCombo()->currentText(), open);
    QCOMPARE(QuorvelConfig->RecentOpened()->Items(), opens ? QStringList{next} + recent : recent);
    if (opens) {
        QCOMPARE(app.window->Tree()->Outline(), (QStringList{"Dune", "  Site"}));
        return;
    }
    QCOMPARE(app.window->Ribbon()->ApplicationMenu()->CurrentItem(), old);
    // The catalogue, its tree and the active item are those of before.
    QCOMPARE(app.window->Tree()->Outline(), outline);
    QCOMPARE(VersionMngr->ActiveItem(), active);
    QCOMPARE(PathOf(app.window->Tree()->SelectedNode()->Item()),
             QStringLiteral("Acme Shipping/Fleet Renewal"));
    if (leave < 0) {
        QVERIFY2(
            app.user.shown.last().endsWith(QStringLiteral("\rWorkspace %1 stays open.").arg(old)),
            qPrintable(app.user.shown.last()));
    }
    // The commands work there.
    app.user.QueueName(QStringLiteral("Gable & Hart"));
    Trigger("NewClientAction");
    QVERIFY(ws_->Exists(QStringLiteral("Gable & Hart")));
    QVERIFY(!QFileInfo::exists(next + QStringLiteral("Gable & Hart")));
}

QUORVEL_GUI_TEST_MAIN(TestCommandTarget)
#include "tst_commandtarget.moc"
