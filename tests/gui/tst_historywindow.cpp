// The History panel, Send as Archive and a version's size in its details.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "platform/DateTimeText.h"
#include "ui/ArchiveSender.h"
#include "ui/BackgroundSize.h"
#include "ui/CompareDialog.h"
#include "ui/HistoryPanel.h"
#include "ui/ListedProjectWatcher.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString On(int day, int hour) {
    return CheckInDateTime(QDateTime(QDate(2024, 2, day), QTime(hour, 0)), QLocale::system());
}

QStringList Column(const QStringList& rows, int column) {
    QStringList out;
    for (const QString& row : rows)
        out << row.split(QStringLiteral(" | ")).value(column);
    return out;
}

void SaveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("QUORVEL_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(20);
    QVERIFY(widget->grab().save(QDir(folder).filePath(name)));
}

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void historyCommandAndPanel();
    void rowsNewestFirst();
    void filterAsYouType_data();
    void filterAsYouType();
    void chooseARow_data();
    void chooseARow();
    void followsTheCommands_data();
    void followsTheCommands();
    void sendAsArchive_data();
    void sendAsArchive();
    void sizeInTheDetails_data();
    void sizeInTheDetails();
    void sizeTexts_data();
    void sizeTexts();

private:
    void Activate(const QString& path) {
        QVERIFY(Overview()->SelectVersion(path.section(u'/', 0, 0), path.section(u'/', 1, 1),
                                          path.section(u'/', 2, 2)));
        UpdateCommands();
    }
    void UpdateCommands() const {
        app_->window->ActionManager1Update();
        Overview()->UpdateEnabled();
    }
    // Opens the panel on scope and waits for its rows.
    HistoryPanel* OpenHistory(HistoryPanel::Scope scope = HistoryPanel::Scope::Project) {
        UpdateCommands();
        Overview()->HistoryAction()->trigger();
        HistoryPanel* panel = Overview()->History();
        panel->SetScope(scope);
        if (!QTest::qWaitFor([panel] { return panel->isVisible() && !panel->Stale(); }))
            return nullptr;
        return panel;
    }
    OverviewCommands* Overview() const { return app_->window->Overview(); }
    QString Details() const { return app_->window->Details()->toPlainText(); }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
    QTemporaryDir out_;
};

void TestHistoryWindow::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString w = ws_->Path();
    GuiHarness::MakeVersion(w + "Acme/Crane/version 1", false, QString(), "jan", On(1, 9),
                            "First drawings.\r\nThree sheets.");
    GuiHarness::MakeVersion(w + "Acme/Crane/Version 2", false, "version 1", "marta", On(5, 9),
                            "Boom length corrected");
    GuiHarness::MakeVersion(w + "Acme/Crane/Version 3", true, "Version 2", "jan", On(7, 9));
    // No data file: checked in, nothing known.
    ws_->CreateDir("Acme/Crane/Version 4");
    GuiHarness::MakeVersion(w + "Acme/Crane/Version 5", false, "Version 2", "ola", "some day",
                            "Load table");
    GuiHarness::MakeVersion(w + "Borealis/Ship/version 1", false, QString(), "marta", On(3, 9),
                            "Hull lines, BOOM removed");
    ws_->CreateFile("Acme/Crane/version 1/work.txt", "one\ntwo\n");
    ws_->CreateFile("Acme/Crane/Version 2/work.txt", "one\n2\n");
    ws_->CreateFile("Acme/Crane/Version 2/Plans and ideas/Überblick.txt", "dates\n");
    ws_->CreateDir("Acme/Crane/Version 2/empty");
    ws_->CreateFile("Acme/Crane/Version 2/.quorvel-partial-7/left.txt", "x");
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + w});
    QVERIFY(app_->Start());
    app_->window->resize(1280, 800);
    UpdateCommands();
    QCoreApplication::processEvents();
    Activate(QStringLiteral("Acme/Crane/Version 2"));
}

void TestHistoryWindow::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestHistoryWindow::historyCommandAndPanel() {
    RibbonBar* ribbon = app_->window->Ribbon();
    QStringList entries;
    for (RibbonGroup* group : ribbon->Groups(1))
        entries << group->Caption() + u':' + group->EntryTexts().join(u',');
    QVERIFY2(entries.contains(QStringLiteral("Versions:&History,&Send as Archive")),
             qPrintable(entries.join(u'\n')));
    QCOMPARE(Overview()->HistoryAction()->shortcut(), QKeySequence("Ctrl+Shift+H"));
    // In both context menus; sending is for a version only.
    QVERIFY(app_->window->VersionMenu()->actions().contains(Overview()->HistoryAction()));
    QVERIFY(app_->window->VersionMenu()->actions().contains(Overview()->SendArchiveAction()));
    QVERIFY(app_->window->ProjectMenu()->actions().contains(Overview()->HistoryAction()));
    QVERIFY(!app_->window->ProjectMenu()->actions().contains(Overview()->SendArchiveAction()));

    // The shortcut works while the first tab shows.
    HistoryPanel* panel = Overview()->History();
    QVERIFY(!panel->isVisible());
    app_->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->window));
    QTest::keyClick(app_->window, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(panel->isVisible());
    QTRY_VERIFY(!panel->Stale());
    QCOMPARE(panel->windowTitle(), QStringLiteral("History of Acme / Crane"));
    QCOMPARE(panel->Rows().size(), 5);
    // Project and client are the title's.
    QCOMPARE(panel->List()->header()->count() - panel->List()->header()->hiddenSectionCount(), 6);
    ribbon->Tabs()->setCurrentIndex(1);
    panel->List()->setFocus();
    panel->List()->setCurrentItem(panel->List()->topLevelItem(3));
    SaveScreenshot(app_->window, QStringLiteral("history.png"));

    panel->SetScope(HistoryPanel::Scope::Workspace);
    QTRY_VERIFY(!panel->Stale());
    panel->SetFilterText(QStringLiteral("boom"));
    QCOMPARE(panel->windowTitle(), QStringLiteral("History of the workspace"));
    SaveScreenshot(app_->window, QStringLiteral("history-search.png"));
}

void TestHistoryWindow::rowsNewestFirst() {
    HistoryPanel* panel = OpenHistory();
    QVERIFY(panel);
    // A version without a readable date stands by its number.
    QCOMPARE(panel->Rows(),
             (QStringList{"Version 5 | Version 2 | checked in | ola | some day | Load table",
                          "Version 4 |  | checked in |  |  | ",
                          "Version 3 | Version 2 | checked out | jan | " + On(7, 9) + " | ",
                          "Version 2 | version 1 | checked in | marta | " + On(5, 9) +
                              " | Boom length corrected",
                          "version 1 |  | checked in | jan | " + On(1, 9) + " | First drawings."}));
    // The whole description in the tool tip.
    QTreeWidgetItem* first = panel->List()->topLevelItem(4);
    QVERIFY(first->toolTip(7).contains(QStringLiteral("Three sheets.")));
    // A data file that cannot be read is one row that says so.
    const QString data = ws_->Path() + "Acme/Crane/Version 2/QuorvelConfig.xml";
    QVERIFY(QFile::rename(data, data + ".kept"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), data));
    panel->Invalidate();
    QTRY_VERIFY(!panel->Stale());
    QCOMPARE(panel->Rows().size(), 5);
    QVERIFY2(panel->Rows().contains(QStringLiteral("Version 2 |  | cannot be read |  |  | ")),
             qPrintable(panel->Rows().join(u'\n')));
}

void TestHistoryWindow::filterAsYouType_data() {
    QTest::addColumn<bool>("workspace");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("versions");
    const QStringList all{"Version 5", "Version 4", "Version 3", "Version 2", "version 1"};
    QTest::newRow("nothing typed") << false << "" << all;
    QTest::newRow("description, case-blind") << false << "BOOM" << QStringList{"Version 2"};
    QTest::newRow("a later line of it") << false << "three sheets" << QStringList{"version 1"};
    QTest::newRow("owner") << false << "Marta" << QStringList{"Version 2"};
    QTest::newRow("version name") << false << "version 5" << QStringList{"Version 5"};
    QTest::newRow("nothing matches") << false << "crane" << QStringList{};
    QTest::newRow("workspace, newest first")
        << true << "boom" << QStringList{"Acme/Crane/Version 2", "Borealis/Ship/version 1"};
    QTest::newRow("workspace, owner")
        << true << "jan" << QStringList{"Acme/Crane/Version 3", "Acme/Crane/version 1"};
    QTest::newRow("workspace, everything")
        << true << ""
        << QStringList{"Acme/Crane/Version 5", "Acme/Crane/Version 4",    "Acme/Crane/Version 3",
                       "Acme/Crane/Version 2", "Borealis/Ship/version 1", "Acme/Crane/version 1"};
}

void TestHistoryWindow::filterAsYouType() {
    QFETCH(bool, workspace);
    QFETCH(QString, text);
    QFETCH(QStringList, versions);
    HistoryPanel* panel =
        OpenHistory(workspace ? HistoryPanel::Scope::Workspace : HistoryPanel::Scope::Project);
    QVERIFY(panel);
    QTest::keyClicks(panel->FilterField(), text);
    QStringList shown;
    QTRY_VERIFY((shown = panel->Rows(), panel->FilterField()->text() == text));
    if (workspace) {
        // Typing waits for a pause before the workspace's rows are filtered.
        QTRY_COMPARE(panel->Rows().size(), versions.size());
        shown.clear();
        for (const QString& row : panel->Rows())
            shown << Column({row}, 0).constFirst() + u'/' + Column({row}, 1).constFirst() + u'/' +
                         Column({row}, 2).constFirst();
    } else {
        shown = Column(panel->Rows(), 0);
        if (versions.isEmpty() && shown == QStringList{QString()})
            shown.clear();
    }
    QCOMPARE(shown, versions);
}

void TestHistoryWindow::chooseARow_data() {
    QTest::addColumn<bool>("workspace");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("message");
    QTest::newRow("selected") << false << "version 1"
                              << "select" << QString() << QString();
    QTest::newRow("Enter compares with the parent")
        << false << "Version 2"
        << "Enter"
        << "Acme / Crane: Version 2 compared with version 1" << QString();
    QTest::newRow("double click, a checked-out version")
        << false << "Version 3"
        << "double click"
        << "Acme / Crane: Version 3 (from Version 2, checked out by jan) compared with Version 2"
        << QString();
    QTest::newRow("Enter on the first version")
        << false << "version 1"
        << "Enter" << QString() << "version 1 has no parent version to compare with.";
    QTest::newRow("another project's row in the workspace") << true << "Borealis/Ship/version 1"
                                                            << "select" << QString() << QString();
}

void TestHistoryWindow::chooseARow() {
    QFETCH(bool, workspace);
    QFETCH(QString, row);
    QFETCH(QString, how);
    QFETCH(QString, heading);
    QFETCH(QString, message);
    HistoryPanel* panel =
        OpenHistory(workspace ? HistoryPanel::Scope::Workspace : HistoryPanel::Scope::Project);
    QVERIFY(panel);
    const QString path = workspace ? row : QStringLiteral("Acme/Crane/") + row;
    QTreeWidget* list = panel->List();
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < list->topLevelItemCount() && !item; ++i) {
        QTreeWidgetItem* at = list->topLevelItem(i);
        if (at->text(0) + u'/' + at->text(1) + u'/' + at->text(2) == path ||
            (!workspace && at->text(2) == row))
            item = at;
    }
    QVERIFY(item);
    list->setFocus();
    if (how == QLatin1String("double click")) {
        const QRect cell = list->visualItemRect(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        list->setCurrentItem(item);
        if (how == QLatin1String("Enter"))
            QTest::keyClick(list, Qt::Key_Return);
    }
    // The version is selected in the list and shown in the details; the
    // panel keeps the focus.
    const TVersion* active = VersionMngr->ActiveVersion();
    QVERIFY(active);
    QCOMPARE(active->ParentItem()->ParentItem()->Name() + u'/' + active->ParentItem()->Name() +
                 u'/' + active->Name(),
             path);
    QCOMPARE(app_->window->VersionList()->SelectedVersion(), active);
    QVERIFY(Details().startsWith(active->DisplayName() + u'\n'));
    if (how == QLatin1String("select"))
        QVERIFY(list->hasFocus() || !app_->window->isActiveWindow());
    CompareDialog* comparison = Overview()->Comparison();
    if (heading.isEmpty())
        QVERIFY(!comparison || !comparison->isVisible());
    else
        QCOMPARE(comparison ? comparison->Heading() : QString(), heading);
    QCOMPARE(app_->user.messages, message.isEmpty() ? QStringList() : QStringList{message});
    // Choosing in the list moves the panel's current row along.
    if (!workspace) {
        Activate(QStringLiteral("Acme/Crane/Version 5"));
        QCOMPARE(list->currentItem()->text(2), QStringLiteral("Version 5"));
    }
}

void TestHistoryWindow::followsTheCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("check out") << "CheckOutAction"
                               << "Acme/Crane/Version 2"
                               << QStringList{"Version 6/checked out", "Version 5/checked in",
                                              "Version 4/checked in",  "Version 3/checked out",
                                              "Version 2/checked in",  "version 1/checked in"};
    QTest::newRow("check in") << "CheckInAction"
                              << "Acme/Crane/Version 3"
                              << QStringList{"Version 5/checked in", "Version 4/checked in",
                                             "Version 3/checked in", "Version 2/checked in",
                                             "version 1/checked in"};
    QTest::newRow("undo") << "UndoCheckoutAction"
                          << "Acme/Crane/Version 3"
                          << QStringList{"Version 5/checked in", "Version 4/checked in",
                                         "Version 2/checked in", "version 1/checked in"};
    QTest::newRow("made outside the program")
        << "outside"
        << "Acme/Crane/Version 2"
        << QStringList{"Version 5/checked in", "Version 4/checked in", "Version 3/checked out",
                       "Version 2/checked in", "Version 7/checked in", "version 1/checked in"};
    QTest::newRow("another project listed")
        << "list"
        << "Borealis/Ship/version 1" << QStringList{"version 1/checked in"};
}

void TestHistoryWindow::followsTheCommands() {
    QFETCH(QString, command);
    QFETCH(QString, on);
    QFETCH(QStringList, rows);
    HistoryPanel* panel = OpenHistory();
    QVERIFY(panel);
    Activate(on);
    if (command == QLatin1String("outside")) {
        auto* watcher = app_->window->findChild<ListedProjectWatcher*>();
        watcher->UpdateWatched();
        GuiHarness::MakeVersion(ws_->Path() + "Acme/Crane/Version 7", false, "version 1", "ola",
                                On(2, 9), "From elsewhere");
    } else if (command != QLatin1String("list")) {
        app_->user.QueueConfirm(true);
        app_->user.QueueCheckIn(QStringLiteral("done"));
        app_->window->Command(command)->trigger();
    }
    const auto shown = [panel] {
        QStringList out;
        for (const QString& row : panel->Rows())
            out << Column({row}, 0).constFirst() + u'/' + Column({row}, 2).constFirst();
        return out;
    };
    QTRY_COMPARE(shown(), rows);
    QVERIFY(!panel->Stale());
}

void TestHistoryWindow::sendAsArchive_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("message");
    QTest::newRow("written") << "Acme - Crane - Version 2.zip" << true << QString();
    QTest::newRow("save dialog cancelled") << QString() << false << QString();
    QTest::newRow("cancelled while writing") << "cancel" << false << QString();
    // A file where its folder should be.
    QTest::newRow("cannot be written") << "blocker/x.zip" << false << "Cannot write %1";
}

void TestHistoryWindow::sendAsArchive() {
    QFETCH(QString, answer);
    QFETCH(bool, written);
    QFETCH(QString, message);
    QTemporaryDir out;
    const QString target = out.filePath(answer == QLatin1String("cancel") ? "sent.zip" : answer);
    {
        QFile blocker(out.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    app_->user.QueueSaveFile(answer.isEmpty() ? std::nullopt : std::optional<QString>(target));
    ArchiveSender* sender = Overview()->Sender();
    QSemaphore held;
    if (answer == QLatin1String("cancel")) {
        // The worker waits at its first step until Cancel was pressed.
        sender->SetQuietMilliseconds(0);
        sender->SetWorkerStep([&held] { held.acquire(); });
        QTimer::singleShot(0, this, [this, &held] {
            auto* progress =
                app_->window->findChild<QProgressDialog*>(QStringLiteral("ArchiveProgress"));
            QVERIFY(progress && progress->isVisible());
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            held.release(1000);
        });
    }
    UpdateCommands();
    QVERIFY(Overview()->SendArchiveAction()->isEnabled());
    Overview()->SendArchiveAction()->trigger();
    sender->SetWorkerStep({});
    sender->SetQuietMilliseconds(500);

    // Offered in the user's own folder the first time, by its default name.
    QCOMPARE(app_->user.shown.value(0),
             QStringLiteral("savefile: Send as Archive|%1|Zip archives|*.zip")
                 .arg(QDir::home().filePath("Acme - Crane - Version 2.zip")));
    QCOMPARE(app_->user.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(app_->user.messages.value(0).startsWith(message.arg(target)),
                 qPrintable(app_->user.messages.value(0)));
    QStringList left = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    left.removeAll(QStringLiteral("blocker"));
    QCOMPARE(left, written ? QStringList{answer} : QStringList());
    if (!written)
        return;
    QFile zip(target);
    QVERIFY(zip.open(QIODevice::ReadOnly));
    const QByteArray bytes = zip.readAll();
    QVERIFY(bytes.startsWith("PK\x03\x04"));
    for (const char* name : {"work.txt",
                             "Plans and ideas/\xc3\x9c"
                             "berblick.txt",
                             "empty/"})
        QVERIFY2(bytes.contains(name), name);
    for (const char* name : {"QuorvelConfig.xml", "left.txt"})
        QVERIFY2(!bytes.contains(name), name);
    // The next one is offered in the folder chosen last.
    Activate(QStringLiteral("Acme/Crane/version 1"));
    app_->user.QueueSaveFile(std::nullopt);
    Overview()->SendArchiveAction()->trigger();
    QCOMPARE(app_->user.shown.value(1),
             QStringLiteral("savefile: Send as Archive|%1|Zip archives|*.zip")
                 .arg(out.filePath("Acme - Crane - Version 1.zip")));
}

void TestHistoryWindow::sizeInTheDetails_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("size");
    // Everything in the folder counts: its data file and what interrupted
    // work left too.
    QTest::newRow("data file only") << "Acme/Crane/Version 3"
                                    << "1 file, ";
    QTest::newRow("files in folders") << "Acme/Crane/Version 2"
                                      << "4 files, ";
    QTest::newRow("no data file, nothing") << "Acme/Crane/Version 4"
                                           << "0 files, 0 bytes";
}

void TestHistoryWindow::sizeInTheDetails() {
    QFETCH(QString, version);
    QFETCH(QString, size);
    // Chosen one after the other: what was measured for the first is not
    // shown for the last.
    Activate(QStringLiteral("Acme/Crane/version 1"));
    Activate(version);
    const auto sizeLine = [this] {
        for (const QString& line : Details().split(u'\n')) {
            if (line.startsWith(QStringLiteral("Size:\t")))
                return line.mid(6);
        }
        return QString();
    };
    QTRY_VERIFY(!sizeLine().isEmpty() && sizeLine() != QStringLiteral("measuring..."));
    QVERIFY2(sizeLine().startsWith(size), qPrintable(sizeLine()));
    QTest::qWait(50);
    QVERIFY2(sizeLine().startsWith(size), qPrintable(sizeLine()));
    // Shared blocks are named only where the file system shares them.
    QVERIFY(!sizeLine().contains(QStringLiteral("shared")) || sizeLine().contains("frees"));
}

void TestHistoryWindow::sizeTexts_data() {
    QTest::addColumn<qint64>("files");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("allocated");
    QTest::addColumn<qint64>("shared");
    QTest::addColumn<QString>("text");
    QTest::newRow("one file") << 1LL << 262LL << 4096LL << 0LL << "1 file, 262 bytes";
    QTest::newRow("empty") << 0LL << 0LL << 0LL << 0LL << "0 files, 0 bytes";
    QTest::newRow("thousands") << 12345LL << 5LL * 1024 * 1024 << 6LL * 1024 * 1024 << 0LL
                               << "12,345 files, 5.0 MB";
    // A fresh check-out on XFS: nearly everything shared.
    QTest::newRow("shared blocks")
        << 200LL << 1024LL * 1024 * 1024 << 1024LL * 1024 * 1024 + 8192 << 1024LL * 1024 * 1024
        << "200 files, 1.0 GB (1.0 GB shared with other versions: "
           "deleting it frees 8.0 kB)";
}

void TestHistoryWindow::sizeTexts() {
    QFETCH(qint64, files);
    QFETCH(qint64, bytes);
    QFETCH(qint64, allocated);
    QFETCH(qint64, shared);
    QFETCH(QString, text);
    VersionSize::Totals totals;
    totals.files = files;
    totals.bytes = bytes;
    totals.allocated = allocated;
    totals.shared = shared;
    QCOMPARE(BackgroundSize::Describe(totals), text);
}

QUORVEL_GUI_TEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
