// The workspace manager: opening, loading, rebuilding and saving.
#include "catalogue/FolderScanReport.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "storage/TConfigStreamer.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/RebuildProgress.h"
#include "workspace/TProjectManager.h"

#include <QDir>
#include <QtTest>

#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kEmptyCatalogue = "<Clients count=\"0\" >\r</Clients>\r\n";

class RecordingProgress : public RebuildProgress {
public:
    void ItemAdded(TProjectManager* sender, TVersionItem* item) override {
        QVERIFY(sender->LastAction() == ChangeKind::ItemdEdited);
        added << item->Name();
        if (onItem)
            onItem(item);
    }
    void DoError(const QString& message) override { errors << message; }

    QStringList added;
    QStringList errors;
    std::function<void(TVersionItem*)> onItem;
};

QStringList Names(const TVersionCollection* collection) {
    QStringList names;
    for (int i = 0; i < collection->Count(); ++i)
        names << collection->GetItems(i)->Name();
    return names;
}

ino_t Inode(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

class TestWorkspaceManager : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openingAMissingFolderCreatesIt();
    void openingWithoutCatalogueRebuilds();
    void openingWithCatalogueLoadsIt();
    void theSamePathDoesNothing();
    void aPathInOtherCaseIsAnotherWorkspace();
    void aFolderThatCannotBeMadeKeepsThePreviousWorkspace();
    void theRootOrAFileIsNoWorkspace_data();
    void theRootOrAFileIsNoWorkspace();
    void saveNeedsAnExistingFolder();
    void rebuildReportsEveryItemOnce();
    void scanErrorKeepsWhatWasFound();
    void noRebuildInsideARebuild();
    void editorClickNeedsAnActiveVersion();
    void endOfProgramSaves();
    void damagedCatalogueIsNotSavedOver();
    void fileThatHoldsNoCatalogueIsRebuilt_data();
    void fileThatHoldsNoCatalogueIsRebuilt();
    void rebuildGoesPastWhatItCannotKeep();
    void rebuildNamesLinkedFolders_data();
    void rebuildNamesLinkedFolders();
    void catalogueIsWrittenOnlyWhenItChanged();
    void largeCatalogueGoesInParts_data();
    void largeCatalogueGoesInParts();

private:
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedUser> user;
};

void TestWorkspaceManager::init() {
    ws = std::make_unique<TestWorkspace>();
    user = std::make_unique<ScriptedUser>();
    ProgramPaths::SetProgramFolderForTesting(ws->CreateDir(QStringLiteral("program")));
}

void TestWorkspaceManager::cleanup() {
    ProgramPaths::SetProgramFolderForTesting(QString());
    user.reset();
    ws.reset();
}

void TestWorkspaceManager::openingAMissingFolderCreatesIt() {
    TProjectManager manager;
    const QString path = ws->Path() + QStringLiteral("deep/down/Projects/");
    manager.SetWorkSpace(path);
    QCOMPARE(manager.WorkSpace(), path);
    QCOMPARE(manager.Clients()->Count(), 0);
    QCOMPARE(ws->ReadFile(QStringLiteral("deep/down/Projects/QuorvelConfig.xml")), kEmptyCatalogue);
}

void TestWorkspaceManager::openingWithoutCatalogueRebuilds() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/Version 2"));
    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Harbour"));
}

void TestWorkspaceManager::openingWithCatalogueLoadsIt() {
    ws->CreateDir(QStringLiteral("w/OnDiskOnly"));
    ws->CreateFile(QStringLiteral("w/QuorvelConfig.xml"),
                   "<Clients count=\"1\" >\r<Client name=\"Listed\">\r\r<Projects count=\"0\" "
                   ">\r</Projects>\r</Client>\r</Clients>\r\n");
    TProjectManager manager;
    RecordingProgress progress;
    manager.SetProgress(&progress);
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(Names(manager.Clients()), QStringList{"Listed"});
    QVERIFY(progress.added.isEmpty());
}

void TestWorkspaceManager::theSamePathDoesNothing() {
    ws->CreateDir(QStringLiteral("w"));
    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QFile::remove(ws->Path() + QStringLiteral("w/QuorvelConfig.xml"));
    ws->CreateDir(QStringLiteral("w/Later"));
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QVERIFY(!ws->Exists(QStringLiteral("w/QuorvelConfig.xml")));
    QCOMPARE(manager.Clients()->Count(), 0);
}

void TestWorkspaceManager::aPathInOtherCaseIsAnotherWorkspace() {
    ws->CreateDir(QStringLiteral("w/Acme"));
    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    ws->CreateDir(QStringLiteral("w/Beta"));
    manager.SetWorkSpace(ws->Path() + QStringLiteral("W/"));
    // The one left was saved; the new one was opened afresh.
    QVERIFY(!ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Beta"));
    QCOMPARE(manager.WorkSpace(), ws->Path() + QStringLiteral("W/"));
    QCOMPARE(manager.Clients()->Count(), 0);
    QVERIFY(ws->Exists(QStringLiteral("W/QuorvelConfig.xml")));
}

void TestWorkspaceManager::aFolderThatCannotBeMadeKeepsThePreviousWorkspace() {
    ws->CreateDir(QStringLiteral("w/Acme"));
    ws->CreateFile(QStringLiteral("plain-file"), "x");
    TProjectManager manager;
    const QString good = ws->Path() + QStringLiteral("w/");
    manager.SetWorkSpace(good);
    const QString bad = ws->Path() + QStringLiteral("plain-file/Projects/");
    try {
        manager.SetWorkSpace(bad);
        QFAIL("no error");
    } catch (const QuorvelError& error) {
        QCOMPARE(error.Message(), QStringLiteral("can not create workspace ") + bad +
                                      QStringLiteral(", please select another workspace."));
    }
    QCOMPARE(manager.WorkSpace(), good);
    QCOMPARE(manager.Clients()->GetItems(0)->Path(), good + QStringLiteral("Acme/"));
}

void TestWorkspaceManager::theRootOrAFileIsNoWorkspace_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("message");
    const QString root =
        QStringLiteral("The root folder %1 can not be a workspace: every folder on "
                       "the disk would be taken for a client. Please select "
                       "another workspace.");
    QTest::newRow("the root") << "/" << root;
    QTest::newRow("the root twice") << "//" << root;
    QTest::newRow("up to the root") << "w/" + QStringLiteral("../").repeated(40) << root;
    QTest::newRow("a link to the root") << "root-link/" << root;
    QTest::newRow("a file") << "plain-file/"
                            << "%2plain-file is a file, not a folder, so it can not be a "
                               "workspace. Please select another workspace.";
    QTest::newRow("a link to a file") << "file-link/"
                                      << "%2file-link is a file, not a folder, so it can not be a "
                                         "workspace. Please select another workspace.";
}

// Refused before anything is read or made there; the workspace open
// before stays open.
void TestWorkspaceManager::theRootOrAFileIsNoWorkspace() {
    QFETCH(QString, relative);
    QFETCH(QString, message);
    ws->CreateDir(QStringLiteral("w/Acme"));
    ws->CreateFile(QStringLiteral("plain-file"), "x");
    QFile::link(QStringLiteral("/"), ws->Path() + QStringLiteral("root-link"));
    QFile::link(ws->Path() + QStringLiteral("plain-file"),
                ws->Path() + QStringLiteral("file-link"));
    const QString path = relative.startsWith(u'/') ? relative : ws->Path() + relative;
    TProjectManager manager;
    // Were the root taken after all, nothing would be written there.
    manager.SetReadOnly(true);
    const QString good = ws->Path() + QStringLiteral("w/");
    manager.SetWorkSpace(good);
    try {
        manager.SetWorkSpace(path);
        QFAIL("no error");
    } catch (const QuorvelError& error) {
        QCOMPARE(error.Message(), QString(message)
                                      .replace(QStringLiteral("%1"), path)
                                      .replace(QStringLiteral("%2"), ws->Path()));
    }
    QCOMPARE(manager.WorkSpace(), good);
    QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
    QVERIFY(user->shown.isEmpty());
}

void TestWorkspaceManager::saveNeedsAnExistingFolder() {
    TProjectManager manager;
    manager.SaveProject(); // no workspace yet: nothing, no error
    manager.Refresh();     // nor is there anything to rebuild
    QCOMPARE(manager.Clients()->Count(), 0);
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QDir(ws->Path() + QStringLiteral("w")).removeRecursively();
    manager.SaveProject();
    QVERIFY(!ws->Exists(QStringLiteral("w")));
}

void TestWorkspaceManager::rebuildReportsEveryItemOnce() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    ws->CreateDir(QStringLiteral("w/Acme/Crane"));
    TProjectManager manager;
    RecordingProgress progress;
    manager.SetProgress(&progress);
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(progress.added.size(), 4);
    QVERIFY(!manager.RefreshActive());

    // Outside a rebuild nothing is reported.
    progress.added.clear();
    manager.Clients()->GetItems(0)->VersionCollection()->AddItem()->SetName(QStringLiteral("X"));
    QVERIFY(progress.added.isEmpty());
    QVERIFY(manager.LastAction() == ChangeKind::ItemdEdited);

    manager.Refresh();
    QCOMPARE(progress.added.size(), 4);
}

void TestWorkspaceManager::scanErrorKeepsWhatWasFound() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    TProjectManager manager;
    RecordingProgress progress;
    manager.SetProgress(&progress);
    // The client's folder disappears while the scan is under way.
    progress.onItem = [&](TVersionItem* item) {
        if (item->Name() == QLatin1String("Acme"))
            QDir(ws->Path() + QStringLiteral("w/Acme")).removeRecursively();
    };
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(progress.errors.size(), 1);
    QVERIFY2(progress.errors[0].contains(QStringLiteral("w/Acme")), qPrintable(progress.errors[0]));
    QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
    // A catalogue that misses what could not be read is not saved, then or later.
    QVERIFY(!ws->Exists(QStringLiteral("w/QuorvelConfig.xml")));
    manager.SaveProject();
    QVERIFY(!ws->Exists(QStringLiteral("w/QuorvelConfig.xml")));
    QVERIFY(!manager.RefreshActive());
}

void TestWorkspaceManager::noRebuildInsideARebuild() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour"));
    ws->CreateDir(QStringLiteral("other"));
    TProjectManager manager;
    RecordingProgress progress;
    manager.SetProgress(&progress);
    bool switched = false;
    progress.onItem = [&](TVersionItem*) {
        QVERIFY(manager.Busy());
        manager.Refresh();
        try {
            manager.SetWorkSpace(ws->Path() + QStringLiteral("other/"));
        } catch (const QuorvelError&) {
            switched = false;
            return;
        }
        switched = true;
    };
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(progress.added, (QStringList{"Acme", "Harbour"}));
    QVERIFY(!switched);
    QCOMPARE(manager.WorkSpace(), ws->Path() + QStringLiteral("w/"));
    QVERIFY(!manager.Busy());
}

void TestWorkspaceManager::editorClickNeedsAnActiveVersion() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    const QString record = ws->Path() + QStringLiteral("ran.txt");
    const QString script = ws->CreateFile(QStringLiteral("editor.sh"),
                                          "#!/bin/sh\necho \"$1\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QuorvelRuntime runtime(*user, TQuorvelConfig::Access::ReadOnly);
    TProjectManager& manager = *ProjectMngr;
    TVersionManager& versions = *runtime.VersionManager(nullptr);
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    auto editor = std::make_unique<TEditor>(manager.Editors(), QStringLiteral("Ed"), script);
    TEditor* ed = editor.get();
    manager.Editors()->Add(std::move(editor));

    TVersionItem* client = manager.Clients()->GetItems(0);
    versions.SetActiveItem(client);
    ed->DoMenuClick();
    QVERIFY(!QFile::exists(record));

    TVersionItem* version =
        client->VersionCollection()->GetItems(0)->VersionCollection()->GetItems(0);
    versions.SetActiveItem(version);
    ed->DoMenuClick();
    QCOMPARE(ws->ReadFile(QStringLiteral("ran.txt")).trimmed(),
             QFile::encodeName(ws->Path() + QStringLiteral("w/Acme/Harbour/version 1")));
    QCOMPARE(version->Editor(), script);
    QVERIFY(user->messages.isEmpty());

    // A program that is gone starts nothing, and the user hears of it.
    auto missing = std::make_unique<TEditor>(manager.Editors(), QStringLiteral("Gone"),
                                             ws->Path() + QStringLiteral("gone"));
    TEditor* gone = missing.get();
    manager.Editors()->Add(std::move(missing));
    gone->DoMenuClick();
    QCOMPARE(user->messages,
             QStringList{QStringLiteral("Error executing version [%1] with editor [Gone]")
                             .arg(version->Path())});
}

void TestWorkspaceManager::endOfProgramSaves() {
    ws->CreateDir(QStringLiteral("w"));
    {
        TProjectManager manager;
        manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
        manager.Clients()->AddItem()->SetName(QStringLiteral("Added"));
    }
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Added"));
}

void TestWorkspaceManager::damagedCatalogueIsNotSavedOver() {
    ws->CreateDir(QStringLiteral("w/Acme/Harbour"));
    const QByteArray damaged = "<Clients count=\"1\" >\r<Client name=\"Acme\">\r\r<Projects "
                               "count=\"zz\" >\r</Projects>\r</Client>\r</Clients>\r\n";
    ws->CreateFile(QStringLiteral("w/QuorvelConfig.xml"), damaged);
    {
        TProjectManager manager;
        QVERIFY_THROWS_EXCEPTION(QuorvelError,
                                 manager.SetWorkSpace(ws->Path() + QStringLiteral("w/")));
        QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
        manager.SaveProject();
        QCOMPARE(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")), damaged);
    }
    QCOMPARE(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")), damaged);

    TProjectManager manager;
    QVERIFY_THROWS_EXCEPTION(QuorvelError, manager.SetWorkSpace(ws->Path() + QStringLiteral("w/")));
    manager.Refresh();
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Harbour"));
}

// A file at the catalogue's place that holds no catalogue says nothing of
// the workspace: the folders are read, as when there is no file.
void TestWorkspaceManager::fileThatHoldsNoCatalogueIsRebuilt_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("cut off before the catalogue") << QByteArray("<Clie");
    QTest::newRow("random bytes") << QByteArray("\x8f\x01\xffQ\x00z\x13", 7);
    QTest::newRow("another program's file") << QByteArray("<project><name>x</name></project>");
    QTest::newRow("cut off after an item") << QByteArray(
        "<Clients count=\"2\" >\r<Client name=\"Acme\">\r\r<Projects count=\"1\" >\r");
    QTest::newRow("fewer items than counted")
        << QByteArray("<Clients count=\"3\" >\r<Client name=\"Acme\">\r\r<Projects count=\"0\" "
                      ">\r</Projects>\r</Client>\r</Clients>\r\n");
}

void TestWorkspaceManager::fileThatHoldsNoCatalogueIsRebuilt() {
    QFETCH(QByteArray, bytes);
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    const QString file = ws->CreateFile(QStringLiteral("w/QuorvelConfig.xml"), bytes);
    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
    QCOMPARE(user->messages.size(), 1);
    QVERIFY2(user->messages[0].contains(file) && user->messages[0].contains("holds no catalogue"),
             qPrintable(user->messages[0]));
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("<Client name=\"Acme\">"));
}

// One folder the catalogue cannot keep costs nothing but that folder, and
// the user hears of it; what an interrupted check-out left is removed,
// unless a check-out still works on it.
void TestWorkspaceManager::rebuildGoesPastWhatItCannotKeep() {
    ws->CreateDir(QStringLiteral("w/Alpha/P/version 1"));
    ws->CreateDir(QStringLiteral("w/Beta/P/version 1"));
    ws->CreateDir(QStringLiteral("w/Quote\"d/P/version 1"));
    const QByteArray notUtf8 = QFile::encodeName(ws->Path()) + "w/caf\xe9";
    QVERIFY(::mkdir(notUtf8.constData(), 0755) == 0);
    QVERIFY(::mkdir((notUtf8 + "/Q").constData(), 0755) == 0);
    ws->CreateFile(QStringLiteral("w/Alpha/P/.quorvel-partial-abandoned/big.bin"), "half");
    ws->CreateDir(QStringLiteral("w/Alpha/P/.quorvel-partial-running"));
    const int running =
        ::open(QFile::encodeName(ws->Path() + "w/Alpha/P/.quorvel-partial-running").constData(),
               O_RDONLY | O_DIRECTORY);
    QVERIFY(running >= 0 && ::flock(running, LOCK_EX) == 0);

    TProjectManager manager;
    RecordingProgress progress;
    manager.SetProgress(&progress);
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    ::close(running);

    QStringList clients = Names(manager.Clients());
    clients.sort();
    QCOMPARE(clients, (QStringList{"Alpha", "Beta"}));
    QVERIFY(progress.errors.isEmpty());
    QCOMPARE(user->messages.size(), 1);
    const QString& notes = user->messages[0];
    QVERIFY2(
        notes.contains(ws->Path() + QStringLiteral("w/caf\\xE9/ (") + FolderScanReport::NotUtf8()),
        qPrintable(notes));
    QVERIFY2(notes.contains(ws->Path() + QStringLiteral("w/Quote\"d/ (")), qPrintable(notes));
    QVERIFY2(notes.contains(ws->Path() + QStringLiteral("w/Alpha/P/.quorvel-partial-abandoned/")),
             qPrintable(notes));
    QVERIFY(!notes.contains(QStringLiteral("running")));
    QVERIFY(!ws->Exists(QStringLiteral("w/Alpha/P/.quorvel-partial-abandoned")));
    QVERIFY(ws->Exists(QStringLiteral("w/Alpha/P/.quorvel-partial-running")));
    // Leaving folders out loses nothing that is read: the catalogue is saved.
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Beta"));
}

void TestWorkspaceManager::rebuildNamesLinkedFolders_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("named");
    QTest::newRow("a client") << "w/Linked"
                              << "elsewhere" << true;
    QTest::newRow("a project") << "w/Acme/Linked"
                               << "elsewhere" << true;
    QTest::newRow("a version") << "w/Acme/Harbour/Version 2"
                               << "elsewhere" << true;
    QTest::newRow("a link to a file") << "w/Acme/notes"
                                      << "elsewhere/notes.txt" << false;
    QTest::newRow("a link to nothing") << "w/Acme/Gone"
                                       << "missing" << false;
}

// A folder that is a link is left out and named; a link that is no folder
// is none of the user's folders.
void TestWorkspaceManager::rebuildNamesLinkedFolders() {
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, named);
    ws->CreateDir(QStringLiteral("w/Acme/Harbour/version 1"));
    ws->CreateFile(QStringLiteral("elsewhere/notes.txt"), "x");
    QVERIFY(QFile::link(ws->Path() + target, ws->Path() + link));

    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    QCOMPARE(Names(manager.Clients()), QStringList{"Acme"});
    QCOMPARE(Names(manager.Clients()->GetItems(0)->VersionCollection()), QStringList{"Harbour"});
    const QStringList expected{
        QStringLiteral("These folders were left out of the catalogue because they are symbolic "
                       "links; Quorvel works only on folders inside the workspace:\n") +
        ws->Path() + link + u'/'};
    QCOMPARE(user->messages, named ? expected : QStringList());
}

void TestWorkspaceManager::catalogueIsWrittenOnlyWhenItChanged() {
    ws->CreateDir(QStringLiteral("w/Acme"));
    const QString file = ws->Path() + QStringLiteral("w/QuorvelConfig.xml");
    TProjectManager manager;
    manager.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    const ino_t rebuilt = Inode(file);
    manager.SaveProject();
    manager.Refresh();
    QCOMPARE(Inode(file), rebuilt);

    manager.Clients()->AddItem()->SetName(QStringLiteral("Added"));
    manager.SaveProject();
    QVERIFY(Inode(file) != rebuilt);
    QVERIFY(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")).contains("Added"));

    // Opened from its file, an unchanged catalogue is not written at all.
    TProjectManager reader;
    reader.SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    const ino_t loaded = Inode(file);
    reader.SaveProject();
    QCOMPARE(Inode(file), loaded);
    // A run that only reads writes nothing, also after a change.
    reader.SetReadOnly(true);
    reader.Clients()->AddItem()->SetName(QStringLiteral("Other"));
    reader.SaveProject();
    QCOMPARE(Inode(file), loaded);
}

void TestWorkspaceManager::largeCatalogueGoesInParts_data() {
    QTest::addColumn<int>("needsUtf8At");
    QTest::newRow("Windows-1252 throughout") << -1;
    QTest::newRow("UTF-8 from the first client") << 0;
    QTest::newRow("UTF-8 from a later part") << 6000;
}

void TestWorkspaceManager::largeCatalogueGoesInParts() {
    QFETCH(int, needsUtf8At);
    const QString folder = ws->Path() + QStringLiteral("w/");
    const QString file = folder + QStringLiteral("QuorvelConfig.xml");
    TProjectManager manager;
    manager.SetWorkSpace(folder);
    // Over a megabyte: read, written and encoded in several parts.
    constexpr int clients = 12000;
    for (int i = 0; i < clients; ++i) {
        manager.Clients()->AddItem()->SetName(
            i == needsUtf8At ? QStringLiteral("\u0141\u00F3d\u017A")
                             : QStringLiteral("Client %1 of a catalogue of some size").arg(i));
    }
    const int before = user->pendingEventCalls;
    manager.SaveProject();
    // Nothing keeps commands away here, so no events may run.
    QCOMPARE(user->pendingEventCalls, before);
    const QByteArray saved = ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml"));
    QCOMPARE(saved, TConfigStreamer::FileBytes(manager.Clients()->AsXml()));

    // The save before another workspace opens lets events run, busy.
    bool idleDuringEvents = false;
    bool eventsWhileSaving = false;
    user->duringEvents = [&] {
        idleDuringEvents = idleDuringEvents || !manager.Busy();
        eventsWhileSaving = eventsWhileSaving || manager.Clients()->Count() == clients;
    };
    manager.SetWorkSpace(ws->Path() + QStringLiteral("other/"));
    QVERIFY(eventsWhileSaving);
    // Read back in parts, it is the catalogue that was saved: not written again.
    const ino_t written = Inode(file);
    manager.SetWorkSpace(folder);
    user->duringEvents = nullptr;
    QVERIFY(!idleDuringEvents);
    QCOMPARE(manager.Clients()->Count(), clients);
    manager.SaveProject();
    QCOMPARE(Inode(file), written);
    QCOMPARE(ws->ReadFile(QStringLiteral("w/QuorvelConfig.xml")), saved);
}

QUORVEL_TEST_MAIN(TestWorkspaceManager)
#include "tst_workspace.moc"
