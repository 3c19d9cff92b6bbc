// The "Overview" ribbon tab: the checked-out panel and the comparison.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "platform/DateTimeText.h"
#include "platform/QuorvelError.h"
#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/CompareDialog.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTabWidget>
#include <QTreeWidget>
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

QString DaysBack(int days, int hour) {
    return CheckInDateTime(QDateTime(QDate::currentDate().addDays(-days), QTime(hour, 30, 0)),
                           QLocale::system());
}

QStringList Column(const QStringList& rows, int column) {
    QStringList out;
    for (const QString& row : rows)
        out << row.split(QStringLiteral(" | ")).value(column);
    return out;
}

// The version folders the panel's rows name.
QStringList Folders(const QStringList& rows) {
    QStringList out;
    for (const QString& version : Column(rows, 2))
        out << version.section(QStringLiteral(" ("), 0, 0);
    return out;
}

void SaveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("QUORVEL_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    // Laid out as it will be drawn.
    QTest::qWait(20);
    QVERIFY(widget->grab().save(QDir(folder).filePath(name)));
}

} // namespace

class TestOverviewWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void overviewTabAndCheckedOutList();
    void choosingARowSelectsItsVersion_data();
    void choosingARowSelectsItsVersion();
    void listFollowsTheCommands_data();
    void listFollowsTheCommands();
    void compareWithParentAndOther();
    void compareCanBeCancelled();
    void readErrorLeavesTheListWorking();

private:
    void Activate(const QString& path);
    // What the window does before it waits for input.
    void UpdateCommands() const {
        app_->window->ActionManager1Update();
        Overview()->UpdateEnabled();
    }
    OverviewCommands* Overview() const { return app_->window->Overview(); }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestOverviewWindow::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString w = ws_->Path();
    GuiHarness::MakeVersion(w + "Acme/Crane/version 1", false, QString(), "jan", DaysBack(40, 9));
    GuiHarness::MakeVersion(w + "Acme/Crane/Version 2", true, "version 1", "jan", DaysBack(5, 9));
    GuiHarness::MakeVersion(w + "Acme/Crane/Version 3", true, "version 1", "marta",
                            QStringLiteral("some day"));
    GuiHarness::MakeVersion(w + "Borealis/Ship/version 1", true, QString(), "marta",
                            DaysBack(20, 8));
    GuiHarness::MakeVersion(w + "Borealis/Ship/Version 2", false, "version 1", "jan",
                            DaysBack(2, 8));
    ws_->CreateFile("Acme/Crane/version 1/work.txt", "one\ntwo\nthree\n");
    ws_->CreateFile("Acme/Crane/version 1/gone.txt", "bye\n");
    ws_->CreateFile("Acme/Crane/version 1/picture.bin", QByteArray("\x89PNG\0\0", 6));
    ws_->CreateFile("Acme/Crane/Version 2/work.txt", "one\n2\nthree\n");
    ws_->CreateFile("Acme/Crane/Version 2/new.txt", "hello\n");
    ws_->CreateFile("Acme/Crane/Version 2/picture.bin", QByteArray("\x89PNG\0\1\2", 7));
    ws_->CreateFile("Acme/Crane/Version 2/.quorvel-partial-7/left.txt", "x");
    ws_->CreateFile("Acme/Crane/Version 3/work.txt", "one\n2\nthree\nfour\n");
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + w});
    QVERIFY(app_->Start());
    app_->window->resize(1061, 828);
    UpdateCommands();
    // The tree's selection from start-up reaches the catalogue first.
    QCoreApplication::processEvents();
}

void TestOverviewWindow::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestOverviewWindow::Activate(const QString& path) {
    QVERIFY(Overview()->SelectVersion(path.section(u'/', 0, 0), path.section(u'/', 1, 1),
                                      path.section(u'/', 2, 2)));
    UpdateCommands();
}

void TestOverviewWindow::overviewTabAndCheckedOutList() {
    RibbonBar* ribbon = app_->window->Ribbon();
    QCOMPARE(ribbon->Tabs()->count(), 2);
    QCOMPARE(ribbon->TabCaption(), QStringLiteral("Project Management"));
    QCOMPARE(ribbon->Tabs()->tabText(1), QStringLiteral("O&verview"));
    QStringList entries;
    for (RibbonGroup* group : ribbon->Groups(1))
        entries << group->Caption() + u':' + group->EntryTexts().join(u',');
    QCOMPARE(entries, (QStringList{"Check-outs:&All Checked Out",
                                   "Compare:Compare with &Parent,Compare &With",
                                   "Versions:&History,&Send as Archive"}));
    QCOMPARE(Overview()->CheckedOutAction()->shortcut(), QKeySequence("Ctrl+Shift+L"));
    QCOMPARE(Overview()->CompareParentAction()->shortcut(), QKeySequence("Ctrl+Shift+P"));
    QCOMPARE(Overview()->CompareOtherAction()->shortcut(), QKeySequence("Ctrl+Shift+W"));

    // The shortcut works while the other tab shows.
    CheckedOutPanel* panel = Overview()->Panel();
    QVERIFY(!panel->isVisible());
    app_->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->window));
    QTest::keyClick(app_->window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(panel->isVisible());
    QTRY_VERIFY(!panel->Stale());
    QCOMPARE(
        panel->Rows(),
        (QStringList{
            "Borealis | Ship | version 1 (checked out by marta) | " + DaysBack(20, 8) + " | 20",
            "Acme | Crane | Version 2 (from version 1, checked out by jan) | " + DaysBack(5, 9) +
                " | 5",
            "Acme | Crane | Version 3 (from version 1, checked out by marta) | some day | "}));
    Activate(QStringLiteral("Acme/Crane/Version 2"));
    panel->List()->setCurrentItem(panel->List()->topLevelItem(1));
    ribbon->Tabs()->setCurrentIndex(1);
    app_->window->resize(1280, 800);
    SaveScreenshot(app_->window, QStringLiteral("overview.png"));
}

void TestOverviewWindow::choosingARowSelectsItsVersion_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("version");
    QTest::newRow("double click") << 0 << false << QStringLiteral("Borealis/Ship/version 1");
    QTest::newRow("Enter") << 2 << true << QStringLiteral("Acme/Crane/Version 3");
    QTest::newRow("Enter, another project") << 1 << true << QStringLiteral("Acme/Crane/Version 2");
}

void TestOverviewWindow::choosingARowSelectsItsVersion() {
    QFETCH(int, row);
    QFETCH(bool, byKey);
    QFETCH(QString, version);
    Activate(QStringLiteral("Borealis/Ship/Version 2"));
    Overview()->CheckedOutAction()->trigger();
    CheckedOutPanel* panel = Overview()->Panel();
    QTRY_VERIFY(!panel->Stale());
    QTreeWidget* list = panel->List();
    QTreeWidgetItem* item = list->topLevelItem(row);
    QVERIFY(item);
    list->setCurrentItem(item);
    if (byKey) {
        QTest::keyClick(list, Qt::Key_Return);
    } else {
        const QRect cell = list->visualItemRect(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    auto* chosen = static_cast<TVersion*>(ItemAt(version));
    QCOMPARE(VersionMngr->ActiveVersion(), chosen);
    QCOMPARE(static_cast<TVersionItem*>(VersionMngr->InstalledProject()), chosen->ParentItem());
    QCOMPARE(app_->window->Tree()->SelectedNode()->Item(), chosen->ParentItem());
    QCOMPARE(app_->window->VersionList()->SelectedVersion(), chosen);
}

void TestOverviewWindow::listFollowsTheCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QStringList>("versions");
    QTest::newRow("check out") << "CheckOutAction"
                               << "Acme/Crane/version 1"
                               << QStringList{"version 1", "Version 2", "Version 4", "Version 3"};
    QTest::newRow("undo") << "UndoCheckoutAction"
                          << "Acme/Crane/Version 2" << QStringList{"version 1", "Version 3"};
    QTest::newRow("check in") << "CheckInAction"
                              << "Acme/Crane/Version 3" << QStringList{"version 1", "Version 2"};
    QTest::newRow("rebuild") << "RefreshWorkspaceAction"
                             << "Acme/Crane/version 1"
                             << QStringList{"version 1", "version 1", "Version 2", "Version 3"};
}

void TestOverviewWindow::listFollowsTheCommands() {
    QFETCH(QString, command);
    QFETCH(QString, on);
    QFETCH(QStringList, versions);
    Overview()->CheckedOutAction()->trigger();
    CheckedOutPanel* panel = Overview()->Panel();
    QTRY_VERIFY(!panel->Stale());
    Activate(on);
    app_->user.QueueConfirm(true);
    app_->user.QueueCheckIn(QStringLiteral("done"));
    // Made outside the program: only a rebuild finds it.
    GuiHarness::MakeVersion(ws_->Path() + "Cirrus/Kite/version 1", true, QString(), "ola",
                            DaysBack(30, 7));
    app_->window->Command(command)->trigger();
    QTRY_COMPARE(Folders(panel->Rows()), versions);
    QVERIFY(!panel->Stale());
}

void TestOverviewWindow::compareWithParentAndOther() {
    Activate(QStringLiteral("Acme/Crane/Version 2"));
    app_->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->window));
    const QString recorder = ws_->CreateFile(
        "compare-program", QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1.out\"\n")
                               .arg(ws_->Path() + "compare-program")
                               .toUtf8());
    QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QTest::keyClick(app_->window, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    CompareDialog* dialog = Overview()->Comparison();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    // Leftovers and the data file are no difference.
    QCOMPARE(dialog->Rows(),
             (QStringList{"Deleted | gone.txt | 4 bytes | ", "Added | new.txt |  | 6 bytes",
                          "Changed | picture.bin | 6 bytes | 7 bytes",
                          "Changed | work.txt | 14 bytes | 12 bytes"}));
    QCOMPARE(dialog->Heading(), QStringLiteral("Acme / Crane: Version 2 (from version 1, checked "
                                               "out by jan) compared with version 1"));
    QTreeWidget* list = dialog->List();
    QCOMPARE(dialog->Describe(list->topLevelItem(2)),
             QStringLiteral("Changed: picture.bin\nversion 1: 6 bytes\nVersion 2: 7 bytes"));
    list->setCurrentItem(list->topLevelItem(3));
    QCOMPARE(dialog->DiffPanel()->toPlainText(),
             QStringLiteral("--- version 1/work.txt\n+++ Version 2/work.txt\n@@ -1,3 +1,3 @@\n"
                            " one\n-two\n+2\n three\n"));
    SaveScreenshot(dialog, QStringLiteral("compare.png"));

    // Only a changed text file goes to the comparison program.
    dialog->SetComparisonProgram(recorder);
    QVERIFY(!dialog->OpenExternally(list->topLevelItem(2)));
    QTest::keyClick(list, Qt::Key_Return);
    QFile out(recorder + ".out");
    QTRY_VERIFY(out.size() > 0);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), ws_->Path() + "Acme/Crane/version 1/work.txt\n" +
                                                   ws_->Path() + "Acme/Crane/Version 2/work.txt\n");

    // Any other version, from the menu, newest first; the dialog names the
    // newer one first.
    QMenu* menu = Overview()->CompareMenu();
    emit menu->aboutToShow();
    QStringList names;
    for (QAction* entry : menu->actions())
        names << entry->text();
    QCOMPARE(names, (QStringList{"Version 3 (from version 1, checked out by marta)", "version 1"}));
    menu->actions().at(0)->trigger();
    QCOMPARE(
        dialog->Heading(),
        QStringLiteral("Acme / Crane: Version 3 (from version 1, checked out by marta) compared "
                       "with Version 2 (from version 1, checked out by jan)"));
    QCOMPARE(dialog->Rows(),
             (QStringList{"Deleted | new.txt | 6 bytes | ", "Deleted | picture.bin | 7 bytes | ",
                          "Changed | work.txt | 12 bytes | 17 bytes"}));
    QVERIFY(app_->user.shown.isEmpty());
}

void TestOverviewWindow::compareCanBeCancelled() {
    CompareDialog dialog(app_->window);
    dialog.SetQuietMilliseconds(0);
    bool cancelled = false;
    QTimer::singleShot(0, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress && progress->objectName() == QStringLiteral("CompareProgress")) {
            progress->cancel();
            cancelled = true;
        }
    });
    QVERIFY(!dialog.Compare(*static_cast<TVersion*>(ItemAt("Acme/Crane/version 1")),
                            *static_cast<TVersion*>(ItemAt("Acme/Crane/Version 2"))));
    QVERIFY(cancelled);
    QCOMPARE(dialog.Rows(), QStringList());
    QVERIFY(app_->user.shown.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

// A data file that cannot be read ends one read of the list with an
// error, not every later one.
void TestOverviewWindow::readErrorLeavesTheListWorking() {
    const QString data = ws_->Path() + "Borealis/Ship/Version 2/QuorvelConfig.xml";
    QVERIFY(QFile::rename(data, data + ".kept"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), data));
    CheckedOutPanel* panel = Overview()->Panel();
    QVERIFY_THROWS_EXCEPTION(QuorvelError, panel->Refresh());
    QVERIFY(panel->Stale());
    QVERIFY(QFile::remove(data));
    QVERIFY(QFile::rename(data + ".kept", data));
    QVERIFY(panel->Refresh());
    QVERIFY(!panel->Stale());
    QCOMPARE(Column(panel->Rows(), 0), (QStringList{"Acme", "Acme"}));
}

QUORVEL_GUI_TEST_MAIN(TestOverviewWindow)
#include "tst_overviewwindow.moc"
