// A window that has been open a while: quorvel-cli changed the workspace
// meanwhile. Each of the user's commands acts on the disk as it is, never
// on the window's older picture, and the window follows the others.
#include "GuiHarness.h"

#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "ui/CatalogueTree.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QProcess>
#include <QtTest>

namespace {

TreeNode* FindNode(CatalogueTree* tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : static_cast<TreeNode*>(found.first());
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStaleWindow : public QObject {
    Q_OBJECT

private slots:
    void commandsActOnTheDiskAsItIs_data();
    void commandsActOnTheDiskAsItIs();
    void windowFollowsAndKeepsOthersWork();

private:
    // quorvel-cli on the workspace; its exit status.
    int Cli(const QStringList& arguments) {
        QProcess cli;
        cli.start(QStringLiteral(QUORVEL_CLI),
                  QStringList{QStringLiteral("-w"), ws_.Path()} + arguments);
        cli.waitForFinished(60000);
        return cli.exitCode();
    }
    // Acme/Harbour: version 1 checked in, Version 2 checked out;
    // Borealis/Bridge: version 1.
    void StartOn(GuiHarness& app, const QString& node, const QString& version = QString());

    TestWorkspace ws_;
};

void TestStaleWindow::StartOn(GuiHarness& app, const QString& node, const QString& version) {
    const QString harbour = ws_.Path() + QStringLiteral("Acme/Harbour/");
    QDir(ws_.Path()).removeRecursively();
    QDir().mkpath(ws_.Path());
    GuiHarness::MakeVersion(harbour + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("03-02-2024 10:15:00"));
    GuiHarness::MakeVersion(harbour + QStringLiteral("Version 2"), true,
                            QStringLiteral("version 1"), QStringLiteral("jan"),
                            QStringLiteral("04-02-2024 10:15:00"));
    GuiHarness::MakeVersion(ws_.Path() + QStringLiteral("Borealis/Bridge/version 1"), false,
                            QString(), QStringLiteral("jan"),
                            QStringLiteral("03-02-2024 10:15:00"));
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_.Path()});
    QVERIFY(app.Start());
    TreeNode* chosen = FindNode(app.window->Tree(), node);
    QVERIFY(chosen);
    app.window->Tree()->setCurrentItem(chosen);
    if (!version.isEmpty()) {
        auto* item = static_cast<TVersion*>(
            VersionMngr->InstalledProject()->VersionCollection()->ItemNamed(version));
        QVERIFY(item);
        app.window->VersionList()->SelectRow(item->ListItem());
        QCOMPARE(VersionMngr->ActiveItem(), item);
    }
}

// What the window showed is gone by the time the user acts: the command
// is refused with what changed, and nothing is changed on disk.
void TestStaleWindow::commandsActOnTheDiskAsItIs_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("outside");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("mustNotExist");
    const QStringList checkIn{"checkin", "Acme", "Harbour", "2", "-m", "theirs"};
    QTest::newRow("undo of a version checked in outside")
        << "Harbour"
        << "Version 2" << checkIn << "UndoCheckoutAction"
        << "Version 2 was checked in by " << QString();
    QTest::newRow("check-in over a check-in made outside")
        << "Harbour"
        << "Version 2" << checkIn << "CheckInAction"
        << "Version 2 was checked in by " << QString();
    QTest::newRow("check-in/check-out of a version checked in outside")
        << "Harbour"
        << "Version 2" << checkIn << "CheckInOutAction"
        << "Version 2 was checked in by "
        << "Acme/Harbour/Version 3";
    QTest::newRow("undo of a version undone outside")
        << "Harbour"
        << "Version 2" << QStringList{"--yes", "undo-checkout", "Acme", "Harbour", "2"}
        << "UndoCheckoutAction"
        << "Acme/Harbour/Version 2 is no longer in the workspace" << QString();
    QTest::newRow("new project in a client renamed outside")
        << "Borealis" << QString() << QStringList{"rename-client", "Borealis", "Nova"}
        << "NewProjectAction"
        << "Borealis is no longer in the workspace"
        << "Borealis";
    QTest::newRow("rename of a project deleted outside")
        << "Bridge" << QString() << QStringList{"--yes", "delete-project", "Borealis", "Bridge"}
        << "RenameProjectAction"
        << "Borealis/Bridge is no longer in the workspace"
        << "Borealis/Span";
    QTest::newRow("delete of a client deleted outside")
        << "Borealis" << QString() << QStringList{"--yes", "delete-client", "Borealis"}
        << "DelClientAction"
        << "Borealis is no longer in the workspace" << QString();
}

void TestStaleWindow::commandsActOnTheDiskAsItIs() {
    QFETCH(QString, node);
    QFETCH(QString, version);
    QFETCH(QStringList, outside);
    QFETCH(QString, command);
    QFETCH(QString, told);
    QFETCH(QString, mustNotExist);
    GuiHarness app;
    StartOn(app, node, version);
    const QByteArray harbourRecord =
        ReadAll(ws_.Path() + QStringLiteral("Acme/Harbour/Version 2/QuorvelConfig.xml"));
    QCOMPARE(Cli(outside), 0);
    const QByteArray recordAfter =
        ReadAll(ws_.Path() + QStringLiteral("Acme/Harbour/Version 2/QuorvelConfig.xml"));
    // Every dialog answers as a hurried user would.
    app.user.QueueConfirm(true);
    app.user.QueueCheckIn(QStringLiteral("mine"));
    app.user.QueueName(QStringLiteral("Span"));
    app.window->ActionManager1Update();
    app.window->Command(command)->trigger();

    QVERIFY2(!app.user.messages.isEmpty() && app.user.messages.last().contains(told),
             qPrintable(app.user.messages.join(u'\n')));
    QVERIFY(app.user.messages.last().endsWith(QStringLiteral("nothing was changed.")));
    if (!mustNotExist.isEmpty())
        QVERIFY(!QFileInfo::exists(ws_.Path() + mustNotExist));
    // The record another program wrote stays as it wrote it.
    QCOMPARE(ReadAll(ws_.Path() + QStringLiteral("Acme/Harbour/Version 2/QuorvelConfig.xml")),
             recordAfter);
    if (recordAfter != harbourRecord && !recordAfter.isEmpty()) {
        // The window shows the version as it is now: checked in.
        TVersion* shown = VersionMngr->ActiveVersion();
        QVERIFY(shown && !shown->IsCheckedOut());
    }
}

// The window lists Harbour while a script makes clients, deletes one and
// checks out; the window follows, and its end keeps every bit of it.
void TestStaleWindow::windowFollowsAndKeepsOthersWork() {
    GuiHarness app;
    StartOn(app, QStringLiteral("Harbour"));
    QCOMPARE(Cli({"new-client", "Zenith"}), 0);
    QCOMPARE(Cli({"new-client", "Yarrow"}), 0);
    QCOMPARE(Cli({"--yes", "delete-client", "Borealis"}), 0);
    QCOMPARE(Cli({"checkout", "Acme", "Harbour", "1"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(FindNode(app.window->Tree(), QStringLiteral("Zenith")), 2500);
    QTRY_VERIFY_WITH_TIMEOUT(!FindNode(app.window->Tree(), QStringLiteral("Borealis")), 2500);
    QTRY_VERIFY_WITH_TIMEOUT(VersionMngr->InstalledProject()->VersionCollection()->ItemNamed(
                                 QStringLiteral("Version 3")),
                             2500);
    // Still the project the user chose.
    QCOMPARE(VersionMngr->ActiveItem()->Name(), QStringLiteral("Harbour"));
    QCOMPARE(Cli({"new-client", "Xylem"}), 0);
    app.Stop();
    const QByteArray catalogue = ReadAll(ws_.Path() + QStringLiteral("QuorvelConfig.xml"));
    for (const char* name : {"Zenith", "Yarrow", "Xylem", "Version 3"})
        QVERIFY2(catalogue.contains(name), name);
    QVERIFY(!catalogue.contains("Borealis"));
}

QUORVEL_GUI_TEST_MAIN(TestStaleWindow)
#include "tst_stalewindow.moc"
