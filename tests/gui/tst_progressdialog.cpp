#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// A user who lets the window system work whenever the rebuild pauses for
// it, and looks at the screen meanwhile: the rebuild runs at a pace the
// dialog can be seen at.
class WatchingUser : public ScriptedUser {
public:
    void ProcessPendingEvents() override {
        ScriptedUser::ProcessPendingEvents();
        QCoreApplication::processEvents();
        if (onEvents)
            onEvents();
    }

    std::function<void()> onEvents;
};

} // namespace

class TestProgressDialog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void namesEachItemWithItsParents_data();
    void namesEachItemWithItsParents();
    void onlyNamedItemsAreShown();
    void rebuildBehindTheDialog();
    void emptyWorkspaceLeavesTheText();
    void scanErrorStaysForLaterRebuilds();
    void abortHidesButTheScanFinishes();
    void noRebuildWhileOneRuns();
    void seenDuringARebuild_data();
    void seenDuringARebuild();

private:
    // Sets the manager's last change kind as the catalogue does.
    void Named(TVersionItem* item, const QString& name);

    std::unique_ptr<QTemporaryDir> programFolder_;
    std::unique_ptr<ScriptedUser> user_;
    std::unique_ptr<QuorvelRuntime> runtime_;
    std::unique_ptr<TQuorvelProgressDialog> dialog_;
};

void TestProgressDialog::init() {
    programFolder_ = std::make_unique<QTemporaryDir>();
    ProgramPaths::SetProgramFolderForTesting(programFolder_->path());
    user_ = std::make_unique<ScriptedUser>();
    runtime_ = std::make_unique<QuorvelRuntime>(*user_, TQuorvelConfig::Access::ReadOnly);
    dialog_ = std::make_unique<TQuorvelProgressDialog>();
}

void TestProgressDialog::cleanup() {
    runtime_.reset();
    dialog_.reset();
    user_.reset();
    ProgramPaths::SetProgramFolderForTesting(QString());
    programFolder_.reset();
}

void TestProgressDialog::Named(TVersionItem* item, const QString& name) {
    item->SetName(name);
    ProjectMngr->OnChanged(nullptr, item, ChangeKind::ItemdEdited);
    dialog_->ItemAdded(ProjectMngr, item);
}

void TestProgressDialog::namesEachItemWithItsParents_data() {
    QTest::addColumn<QStringList>("outline");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("client, project, versions")
        << QStringList{QStringLiteral("A"), QStringLiteral(" P"), QStringLiteral("  Version 1"),
                       QStringLiteral("  Version 2")}
        << QStringList{QStringLiteral("A"), QStringLiteral("A-P"), QStringLiteral("A-P-Version 1"),
                       QStringLiteral("A-P-Version 2")};
    QTest::newRow("a client without projects")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral(" Q")}
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("B-Q")};
    QTest::newRow("names carry over to the next client's projects")
        << QStringList{QStringLiteral("A"), QStringLiteral(" P"), QStringLiteral("  Version 1"),
                       QStringLiteral("B"), QStringLiteral("  Version 7")}
        << QStringList{QStringLiteral("A"), QStringLiteral("A-P"), QStringLiteral("A-P-Version 1"),
                       QStringLiteral("B"), QStringLiteral("B-P-Version 7")};
}

void TestProgressDialog::namesEachItemWithItsParents() {
    QFETCH(QStringList, outline);
    QFETCH(QStringList, texts);
    // Items made in a fixed order; a blank per level below the clients.
    TClients clients(ProjectMngr);
    TVersionItem* client = nullptr;
    TVersionItem* project = nullptr;
    QStringList shown;
    for (const QString& line : outline) {
        const QString name = line.trimmed();
        const int depth = int(line.size() - name.size());
        TVersionItem* item = nullptr;
        if (depth == 0)
            item = client = clients.AddItem();
        else if (depth == 1)
            item = project = client->VersionCollection()->AddItem();
        else
            item = (project ? project : client)->VersionCollection()->AddItem();
        Named(item, name);
        shown << dialog_->ProgressText();
    }
    QCOMPARE(shown, texts);
}

void TestProgressDialog::onlyNamedItemsAreShown() {
    TClients clients(ProjectMngr);
    TVersionItem* client = clients.AddItem();
    Named(client, QStringLiteral("A"));
    TVersionItem* other = clients.AddItem();
    ProjectMngr->OnChanged(nullptr, other, ChangeKind::ItemAdded);
    dialog_->ItemAdded(ProjectMngr, other);
    QCOMPARE(dialog_->ProgressText(), QStringLiteral("A"));
    dialog_->ItemAdded(nullptr, client);
    QCOMPARE(dialog_->ProgressText(), QStringLiteral("A"));
}

void TestProgressDialog::rebuildBehindTheDialog() {
    TestWorkspace ws;
    ws.CreateDir(QStringLiteral("A/P/Version 1"));
    ProjectMngr->SetWorkSpace(ws.Path());
    ProgressRecorder recorder(dialog_.get());
    ProjectMngr->SetProgress(&recorder);
    dialog_->Start(ProjectMngr);
    QCOMPARE(recorder.texts, (QStringList{QStringLiteral("A"), QStringLiteral("A-P"),
                                          QStringLiteral("A-P-Version 1")}));
    QCOMPARE(recorder.shownReports, 3);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!dialog_->AbortButton()->isVisible());
    QVERIFY(!dialog_->MessageIsRed());
    QCOMPARE(
        dialog_->MessageText(),
        QStringLiteral("Project is rebuild from workspace. please be patient.\nDepending on the "
                       "size of the directory structure this can takes several minutes."));
    QVERIFY(ws.Exists(QStringLiteral("QuorvelConfig.xml")));
}

void TestProgressDialog::emptyWorkspaceLeavesTheText() {
    TestWorkspace ws;
    ProjectMngr->SetWorkSpace(ws.Path());
    TClients clients(ProjectMngr);
    Named(clients.AddItem(), QStringLiteral("Earlier"));
    bool shown = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { shown = shown || dialog_->isVisible(); });
    probe.start(0);
    dialog_->Start(ProjectMngr);
    probe.stop();
    QVERIFY(shown);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->ProgressText(), QStringLiteral("Earlier"));
    // The label, updated at most once a frame, ends on the last text.
    QCOMPARE(dialog_->findChild<QLabel*>(QStringLiteral("lblProgress"))->text(),
             dialog_->ProgressText());
}

void TestProgressDialog::scanErrorStaysForLaterRebuilds() {
    TestWorkspace ws;
    ProjectMngr->SetWorkSpace(ws.Path());
    const QString message = QStringLiteral("The folder %1Acme could not be read").arg(ws.Path());
    dialog_->DoError(message);
    QCOMPARE(dialog_->MessageText(), message);
    QVERIFY(dialog_->MessageIsRed());
    QVERIFY(!dialog_->AbortButton()->isHidden());

    bool redFromTheStart = false;
    QTimer::singleShot(0, [&] {
        redFromTheStart =
            dialog_->isVisible() && dialog_->MessageIsRed() && dialog_->AbortButton()->isVisible();
    });
    dialog_->Start(ProjectMngr);
    QVERIFY(redFromTheStart);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->MessageText(), message);
}

void TestProgressDialog::abortHidesButTheScanFinishes() {
    TestWorkspace ws;
    ws.CreateDir(QStringLiteral("A/P/Version 1"));
    ws.CreateDir(QStringLiteral("A/P/Version 2"));
    ProjectMngr->SetWorkSpace(ws.Path());
    dialog_->DoError(QStringLiteral("Earlier error"));
    ProgressRecorder recorder(dialog_.get());
    ProjectMngr->SetProgress(&recorder);
    recorder.onItem = [&] {
        if (recorder.texts.size() == 1)
            dialog_->AbortButton()->click();
    };
    dialog_->Start(ProjectMngr);
    QCOMPARE(recorder.shownReports, 1);
    QCOMPARE(recorder.texts.size(), 4);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!ProjectMngr->Busy());
}

void TestProgressDialog::noRebuildWhileOneRuns() {
    TestWorkspace ws;
    ws.CreateDir(QStringLiteral("A/P"));
    ProjectMngr->SetWorkSpace(ws.Path());
    ProgressRecorder recorder(dialog_.get());
    ProjectMngr->SetProgress(&recorder);
    bool nestedShown = false;
    recorder.onItem = [&] {
        TQuorvelProgressDialog other;
        QTimer::singleShot(0, &other, [&] { nestedShown = other.isVisible(); });
        other.Start(ProjectMngr);
    };
    ProjectMngr->Refresh();
    QVERIFY(!nestedShown);
    QCOMPARE(recorder.texts, (QStringList{QStringLiteral("A"), QStringLiteral("A-P")}));
}

void TestProgressDialog::seenDuringARebuild_data() {
    QTest::addColumn<bool>("earlierError");
    QTest::addColumn<QString>("picture");
    QTest::newRow("waiting") << false << QStringLiteral("progress-dialog-waiting.png");
    QTest::newRow("after a scan error") << true << QStringLiteral("progress-dialog-error.png");
}

// Set QUORVEL_SCREENSHOTS to a folder to keep what the dialog looked like.
void TestProgressDialog::seenDuringARebuild() {
    QFETCH(bool, earlierError);
    QFETCH(QString, picture);
    TestWorkspace ws;
    for (const char* folder :
         {"Acme/Crane/version 1", "Acme/Crane/Version 2", "Acme/Crane/Version 3",
          "Acme/Crane/Version 4", "Acme/Pump/version 1", "Borealis/Ship/version 1"})
        ws.CreateDir(QString::fromLatin1(folder));
    ProjectMngr->SetWorkSpace(ws.Path());
    // As an earlier rebuild left it.
    const QString error = QStringLiteral(
        "The folder /home/marta/Quorvel/Acme/Crane could not be read: Permission denied");
    if (earlierError)
        dialog_->DoError(error);
    ProjectMngr->SetProgress(dialog_.get());

    const QString item = QStringLiteral("Acme-Crane-Version 4");
    auto* progress = dialog_->findChild<QLabel*>(QStringLiteral("lblProgress"));
    auto* caption = dialog_->findChild<QLabel*>(QStringLiteral("Label2"));
    QVERIFY(progress && caption);
    WatchingUser user;
    int visibleCalls = 0;
    QImage seen;
    QString seenProgress, seenCaption, seenMessage;
    bool seenRed = false, seenAbort = false;
    user.onEvents = [&] {
        if (!dialog_->isVisible())
            return;
        ++visibleCalls;
        if (!seen.isNull() || dialog_->ProgressText() != item)
            return;
        // On the screen, its line showing the item just named.
        if (!QTest::qWaitForWindowExposed(dialog_.get()) ||
            !QTest::qWaitFor([&] { return progress->text() == item; }))
            return;
        seen = dialog_->grab().toImage();
        seenProgress = progress->text();
        seenCaption = caption->text();
        seenMessage = dialog_->MessageText();
        seenRed = dialog_->MessageIsRed();
        seenAbort = dialog_->AbortButton()->isVisible();
    };
    dialog_->Start(ProjectMngr);
    ProjectMngr->SetProgress(nullptr);

    QVERIFY(!seen.isNull());
    QCOMPARE(seen.size(), QSize(505, 132) * dialog_->devicePixelRatio());
    // Twelve items, each added and then named while the dialog was up.
    QVERIFY2(visibleCalls >= 24, qPrintable(QString::number(visibleCalls)));
    QCOMPARE(seenCaption, QStringLiteral("Build item: "));
    QCOMPARE(seenProgress, item);
    QCOMPARE(seenMessage,
             earlierError ? error
                          : QStringLiteral(
                                "Project is rebuild from workspace. please be patient.\nDepending "
                                "on the size of the directory structure this can takes several "
                                "minutes."));
    QCOMPARE(seenRed, earlierError);
    QCOMPARE(seenAbort, earlierError);
    QVERIFY(!dialog_->isVisible());

    const QString folder = qEnvironmentVariable("QUORVEL_SCREENSHOTS");
    if (!folder.isEmpty())
        QVERIFY(seen.save(QDir(folder).filePath(picture)));
}

QUORVEL_GUI_TEST_MAIN(TestProgressDialog)
#include "tst_progressdialog.moc"
