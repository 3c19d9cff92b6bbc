// The version manager: selection, the version list and the commands.
#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "editors/TEditor.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "platform/UserName.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"
#include "support/RecordingViews.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QDir>
#include <QtTest>

namespace {

QStringList Names(const TVersionCollection* collection) {
    QStringList names;
    for (int i = 0; i < collection->Count(); ++i)
        names << collection->GetItems(i)->Name();
    return names;
}

QStringList Entries(const QString& folder) {
    QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    entries.sort();
    return entries;
}

} // namespace

class TestVersionManager : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void activeItemDerivations();
    void selectionFlows();
    void groupHeadersAndOrder();
    void checkOutNumbering_data();
    void checkOutNumbering();
    void checkOutCopiesAndRecords();
    void checkOutTakesTheNextFreeNumber();
    void checkOutThatFailsAddsNothing();
    void checkInOkAndCancel();
    void checkInRefusesLessThan();
    void checkInThenCheckOut();
    void undoCheckOut();
    void undoWithoutFolderIsRefused();
    void damagedVersionNamesAreRefused();
    void deletingTheActiveItemLetsGoOfIt();
    void removalsEmptyTheDetailsOfAGoneVersionOnly_data();
    void removalsEmptyTheDetailsOfAGoneVersionOnly();
    void enabledRule_data();
    void enabledRule();
    void importLayouts_data();
    void importLayouts();
    void importRefusals();
    void checkOutLeavesLeftoversBehind();
    void everyLeftoverIsRemovedAndTold_data();
    void everyLeftoverIsRemovedAndTold();
    void failedWriteLeavesTheCatalogueAsTheFile_data();
    void failedWriteLeavesTheCatalogueAsTheFile();

private:
    // Opens the workspace w/ with the given version folders below Acme/Crane.
    void Open(const QStringList& versions);
    TProject* Crane() const;
    TVersion* Version(const QString& name) const;
    // The item at a path such as "Acme/Crane/version 1".
    TVersionItem* Item(const QString& path) const;

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedUser> user;
    std::unique_ptr<RecordingListView> list;
    std::unique_ptr<QuorvelRuntime> runtime;
    TProjectManager* manager = nullptr;
    TVersionManager* versions = nullptr;
    int changedEvents = 0;
};

void TestVersionManager::init() {
    ws = std::make_unique<TestWorkspace>();
    user = std::make_unique<ScriptedUser>();
    ProgramPaths::SetProgramFolderForTesting(ws->CreateDir(QStringLiteral("program")));
    list = std::make_unique<RecordingListView>();
    runtime = std::make_unique<QuorvelRuntime>(*user, TQuorvelConfig::Access::ReadOnly);
    manager = ProjectMngr;
    versions = runtime->VersionManager(list.get());
    changedEvents = 0;
    versions->SetOnVersionChanged([this](TVersionManager* sender) {
        QCOMPARE(sender, versions);
        ++changedEvents;
    });
}

void TestVersionManager::cleanup() {
    runtime.reset();
    list.reset();
    ProgramPaths::SetProgramFolderForTesting(QString());
    user.reset();
    ws.reset();
}

void TestVersionManager::Open(const QStringList& names) {
    ws->CreateDir(QStringLiteral("w/Acme/Crane"));
    ws->CreateDir(QStringLiteral("w/Other/Tower/version 1"));
    for (const QString& name : names)
        ws->CreateFile(QStringLiteral("w/Acme/Crane/") + name + QStringLiteral("/work.txt"),
                       name.toUtf8());
    manager->SetWorkSpace(ws->Path() + QStringLiteral("w/"));
    changedEvents = 0;
}

TProject* TestVersionManager::Crane() const {
    auto* acme = manager->Clients()->ItemByName(QStringLiteral("Acme"));
    return static_cast<TProject*>(acme->VersionCollection()->ItemByName(QStringLiteral("Crane")));
}

TVersion* TestVersionManager::Version(const QString& name) const {
    return static_cast<TVersion*>(Crane()->VersionCollection()->ItemByName(name));
}

TVersionItem* TestVersionManager::Item(const QString& path) const {
    TVersionCollection* level = manager->Clients();
    TVersionItem* item = nullptr;
    for (const QString& name : path.split(u'/')) {
        item = level ? level->ItemByName(name) : nullptr;
        level = item ? item->VersionCollection() : nullptr;
    }
    return item;
}

void TestVersionManager::activeItemDerivations() {
    Open({"version 1"});
    TProject* crane = Crane();
    TVersionItem* acme = crane->ParentItem();
    TVersion* v1 = Version(QStringLiteral("version 1"));

    versions->SetActiveItem(acme);
    QCOMPARE(static_cast<TVersionItem*>(versions->ActiveClient()), acme);
    QCOMPARE(versions->ActiveProject(), nullptr);
    versions->SetActiveItem(crane);
    QCOMPARE(static_cast<TVersionItem*>(versions->ActiveClient()), acme);
    QCOMPARE(versions->ActiveProject(), crane);
    QCOMPARE(versions->ActiveVersion(), nullptr);
    versions->SetActiveItem(v1);
    QCOMPARE(static_cast<TVersionItem*>(versions->ActiveClient()), acme);
    QCOMPARE(versions->ActiveProject(), crane);
    QCOMPARE(versions->ActiveVersion(), v1);
    versions->SetActiveItem(nullptr);
    QCOMPARE(versions->ActiveClient(), nullptr);
}

void TestVersionManager::selectionFlows() {
    Open({"version 1", "Version 2"});
    TProject* crane = Crane();
    TVersion* v1 = Version(QStringLiteral("version 1"));

    versions->SetActiveItem(crane);
    QCOMPARE(changedEvents, 0);
    QCOMPARE(list->RowCount(), 2);
    QCOMPARE(versions->InstalledProject(), crane);

    // A version of the listed project: the event, no refill.
    const int sorts = list->sortCalls;
    versions->SetActiveItem(v1);
    QCOMPARE(changedEvents, 1);
    QCOMPARE(list->sortCalls, sorts);

    // The same item again: nothing.
    versions->SetActiveItem(v1);
    QCOMPARE(changedEvents, 1);

    // A client leaves the list alone.
    versions->SetActiveItem(crane->ParentItem());
    QCOMPARE(changedEvents, 1);
    QCOMPARE(list->RowCount(), 2);

    // Another project refills, and the details let go of the version the
    // list no longer shows.
    auto* tower =
        manager->Clients()->ItemByName(QStringLiteral("Other"))->VersionCollection()->GetItems(0);
    versions->SetActiveItem(tower);
    QCOMPARE(changedEvents, 2);
    QCOMPARE(list->Captions(0), QStringList{"version 1"});

    // Emptied, the details are told too.
    versions->Clear();
    QCOMPARE(list->RowCount(), 0);
    QCOMPARE(versions->ActiveItem(), nullptr);
    QCOMPARE(changedEvents, 3);
}

void TestVersionManager::groupHeadersAndOrder() {
    Open({"version 1", "Version 2", "Version 3", "Version 10", "Backup", "Conversion test"});
    TVersion* v3 = Version(QStringLiteral("Version 3"));
    ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 3/QuorvelConfig.xml"),
                   "<Version state=\"checked out\" parent=\"Version 2\" >\r<Editor>\r</Editor>\r"
                   "    <Owner>\r        jan\r    </Owner>\r</Version>\r\n");
    versions->SetActiveItem(Crane());
    QCOMPARE(list->headers[0], QStringLiteral("Checked out Acme-Crane"));
    QCOMPARE(list->headers[1], QStringLiteral("Version(s) Acme-Crane"));
    QCOMPARE(list->Captions(1), QStringList{"Version 2 checked out by jan"});
    QCOMPARE(list->Captions(0),
             (QStringList{"Version 10", "Version 2", "version 1", "Conversion test"}));
    QCOMPARE(v3->State(), vsCheckedOut);
}

void TestVersionManager::checkOutNumbering_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("created");
    QTest::newRow("first version") << QStringList{"version 1"} << "version 1"
                                   << "Version 2";
    QTest::newRow("gaps are not filled") << QStringList{"version 1", "Version 3"} << "version 1"
                                         << "Version 4";
    QTest::newRow("from an older version") << QStringList{"version 1", "Version 3"} << "Version 3"
                                           << "Version 4";
}

void TestVersionManager::checkOutNumbering() {
    QFETCH(QStringList, existing);
    QFETCH(QString, source);
    QFETCH(QString, created);
    Open(existing);
    TVersion* from = Version(source);
    versions->SetActiveItem(from);
    versions->CheckOut();
    TVersion* made = versions->ActiveVersion();
    QVERIFY(made);
    QCOMPARE(made->Name(), created);
    QCOMPARE(made->ParentVersion(), source);

    // A second check-out of the same version takes the next number.
    versions->SetActiveItem(from);
    versions->CheckOut();
    QCOMPARE(versions->ActiveVersion()->Nr(), made->Nr() + 1);
}

void TestVersionManager::checkOutCopiesAndRecords() {
    Open({"version 1"});
    TVersion* v1 = Version(QStringLiteral("version 1"));
    v1->SetEditor(QStringLiteral("/usr/bin/editor"));
    versions->SetActiveItem(v1);
    changedEvents = 0;
    versions->CheckOut();

    TVersion* v2 = versions->ActiveVersion();
    QCOMPARE(v2->Name(), QStringLiteral("Version 2"));
    QCOMPARE(v2->State(), vsCheckedOut);
    QCOMPARE(v2->Editor(), QStringLiteral("/usr/bin/editor"));
    QCOMPARE(v2->CheckInProperties().sOwner, GetUserFromWindows());
    QVERIFY(!v2->CheckInProperties().sDatetime.isEmpty());
    QCOMPARE(v2->CheckInProperties().sDescription, QString());
    QCOMPARE(ws->ReadFile(QStringLiteral("w/Acme/Crane/Version 2/work.txt")),
             QByteArray("version 1"));
    const QByteArray data =
        ws->ReadFile(QStringLiteral("w/Acme/Crane/Version 2/QuorvelConfig.xml"));
    QVERIFY(data.startsWith("<Version state=\"checked out\" parent=\"version 1\" >\r"));
    QVERIFY(v2->VersionSelected());
    QCOMPARE(list->Captions(1), QStringList{"version 1 checked out by " + GetUserFromWindows()});
    QCOMPARE(changedEvents, 1);
    QVERIFY(Entries(ws->Path() + QStringLiteral("w/Acme/Crane")) ==
            (QStringList{"Version 2", "version 1"}));
}

// Another check-out (or anybody) took the number meanwhile: the next free
// one is taken, and what is there stays untouched.
void TestVersionManager::checkOutTakesTheNextFreeNumber() {
    Open({"version 1"});
    ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 2/someone else.txt"), "theirs");
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    TVersion* made = versions->CheckOut();
    QVERIFY(made);
    QCOMPARE(made->Name(), QStringLiteral("Version 3"));
    QCOMPARE(Names(Crane()->VersionCollection()), (QStringList{"version 1", "Version 3"}));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane/Version 2")),
             QStringList{"someone else.txt"});
    QVERIFY(QFile::exists(ws->Path() + QStringLiteral("w/Acme/Crane/Version 3/work.txt")));
}

void TestVersionManager::checkOutThatFailsAddsNothing() {
    Open({"version 1"});
    TVersion* v1 = Version(QStringLiteral("version 1"));
    versions->SetActiveItem(v1);
    // The source folder went away behind the catalogue's back.
    QDir(ws->Path() + QStringLiteral("w/Acme/Crane/version 1")).removeRecursively();
    versions->CheckOut();
    QCOMPARE(user->messages.size(), 1);
    QCOMPARE(Names(Crane()->VersionCollection()), QStringList{"version 1"});
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane")), QStringList());
    QCOMPARE(versions->ActiveVersion(), v1);
}

void TestVersionManager::checkInOkAndCancel() {
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    TVersion* v2 = versions->ActiveVersion();
    const TCheckInProperties before = v2->CheckInProperties();

    changedEvents = 0;
    int sorts = list->sortCalls;
    user->QueueCheckIn(std::nullopt);
    QVERIFY(!versions->CheckIn());
    QCOMPARE(v2->State(), vsCheckedOut);
    QVERIFY(v2->CheckInProperties() == before);
    QCOMPARE(changedEvents, 0);
    QCOMPARE(list->sortCalls, sorts + 1);

    user->QueueCheckIn(QStringLiteral("First line\r\nSecond line"));
    QVERIFY(versions->CheckIn());
    QCOMPARE(user->shown.last(), QStringLiteral("checkin: %1|").arg(GetUserFromWindows()));
    QCOMPARE(v2->State(), vsCheckedIn);
    QCOMPARE(v2->CheckInProperties().sDescription, QStringLiteral("First line\r\nSecond line"));
    QCOMPARE(v2->CheckInProperties().sOwner, GetUserFromWindows());
    QCOMPARE(changedEvents, 1);
    QCOMPARE(list->Captions(0), (QStringList{"Version 2", "version 1"}));

    // What was written reads back the same.
    v2->SetCheckInProperties(TCheckInProperties());
    TConfigStreamer streamer(v2->Path());
    v2->DataFromXml(*streamer.GetParser());
    QCOMPARE(v2->CheckInProperties().sDescription, QStringLiteral("First line\r\nSecond line"));
    QCOMPARE(v2->State(), vsCheckedIn);
}

void TestVersionManager::checkInRefusesLessThan() {
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    TVersion* v2 = versions->ActiveVersion();
    const QByteArray data =
        ws->ReadFile(QStringLiteral("w/Acme/Crane/Version 2/QuorvelConfig.xml"));

    user->QueueCheckIn(QStringLiteral("a <b> tag"));
    user->QueueCheckIn(std::nullopt);
    QVERIFY(!versions->CheckIn());
    QCOMPARE(user->messages.size(), 1);
    QVERIFY(user->messages[0].contains(QStringLiteral("\"<\"")));
    // The dialog came back with the text to edit.
    QCOMPARE(user->shown.last(), QStringLiteral("checkin: %1|a <b> tag").arg(GetUserFromWindows()));
    QCOMPARE(v2->State(), vsCheckedOut);
    QCOMPARE(ws->ReadFile(QStringLiteral("w/Acme/Crane/Version 2/QuorvelConfig.xml")), data);
}

void TestVersionManager::checkInThenCheckOut() {
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 2/new.txt"), "new work");

    user->QueueCheckIn(std::nullopt);
    versions->CheckInCheckOut();
    QCOMPARE(Crane()->VersionCollection()->Count(), 2);

    user->QueueCheckIn(QStringLiteral("done"));
    versions->CheckInCheckOut();
    QCOMPARE(Crane()->VersionCollection()->Count(), 3);
    TVersion* v3 = versions->ActiveVersion();
    QCOMPARE(v3->Name(), QStringLiteral("Version 3"));
    QCOMPARE(v3->ParentVersion(), QStringLiteral("Version 2"));
    QCOMPARE(Version(QStringLiteral("Version 2"))->State(), vsCheckedIn);
    QCOMPARE(ws->ReadFile(QStringLiteral("w/Acme/Crane/Version 3/new.txt")),
             QByteArray("new work"));
}

void TestVersionManager::undoCheckOut() {
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    TVersion* v2 = versions->ActiveVersion();
    QFile::setPermissions(ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 2/ro.txt"), "x"),
                          QFile::ReadOwner);

    user->QueueConfirm(false);
    versions->UndoCheckOut();
    QCOMPARE(
        user->shown.last(),
        QStringLiteral("confirm: This will removed Version 2, from your system are you sure?"));
    QCOMPARE(versions->ActiveVersion(), v2);
    QVERIFY(ws->Exists(QStringLiteral("w/Acme/Crane/Version 2")));
    QCOMPARE(list->RowCount(), 2);

    changedEvents = 0;
    user->QueueConfirm(true);
    versions->UndoCheckOut();
    QVERIFY(!ws->Exists(QStringLiteral("w/Acme/Crane/Version 2")));
    QCOMPARE(Names(Crane()->VersionCollection()), QStringList{"version 1"});
    QCOMPARE(list->RowCount(), 1);
    // The listed project is what the commands act on again.
    QCOMPARE(versions->ActiveItem(), Crane());
    QCOMPARE(changedEvents, 1);
}

void TestVersionManager::undoWithoutFolderIsRefused() {
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    QDir(ws->Path() + QStringLiteral("w/Acme/Crane/Version 2")).removeRecursively();
    user->QueueConfirm(true);
    QVERIFY(!versions->UndoCheckOut());
    QCOMPARE(user->messages.last(),
             QStringLiteral("Version 2 of Acme/Crane is no longer in the workspace; nothing was "
                            "changed."));
    QCOMPARE(Crane()->VersionCollection()->Count(), 2);
}

void TestVersionManager::damagedVersionNamesAreRefused() {
    Open({"version 1"});
    TVersionItem* damaged = Crane()->VersionCollection()->AddItem();
    damaged->SetName(QStringLiteral(".."));
    versions->SetActiveItem(damaged);
    const QStringList before = Entries(ws->Path() + QStringLiteral("w/Acme"));
    user->QueueConfirm(true);
    user->QueueCheckIn(QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, versions->CheckOut());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, versions->UndoCheckOut());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, versions->CheckIn());
    QVERIFY(user->shown.isEmpty());
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme")), before);
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane")), QStringList{"version 1"});
}

void TestVersionManager::deletingTheActiveItemLetsGoOfIt() {
    Open({"version 1", "Version 2"});
    versions->SetActiveItem(Version(QStringLiteral("Version 2")));
    changedEvents = 0;
    user->QueueConfirm(true);
    versions->DelProject();
    QCOMPARE(user->shown, QStringList{"confirm: Delete Project Crane?"});
    // Its client is what the tree highlights now.
    QCOMPARE(versions->ActiveItem(), manager->Clients()->ItemByName(QStringLiteral("Acme")));
    QCOMPARE(versions->InstalledProject(), nullptr);
    QCOMPARE(list->RowCount(), 0);
    QCOMPARE(changedEvents, 1);
    QVERIFY(!ws->Exists(QStringLiteral("w/Acme/Crane")));

    versions->SetActiveItem(manager->Clients()->ItemByName(QStringLiteral("Acme")));
    user->QueueConfirm(true);
    versions->DelClient();
    QCOMPARE(user->shown.last(),
             QStringLiteral("confirm: Delete client Acme with all 0 projects?"));
    QCOMPARE(versions->ActiveItem(), nullptr);
    QCOMPARE(Names(manager->Clients()), QStringList{"Other"});
}

void TestVersionManager::removalsEmptyTheDetailsOfAGoneVersionOnly_data() {
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("activeAfter");
    // The details show Acme/Crane's version 1, or the Version 2 checked
    // out from it for the undo; then the active item is chosen.
    QTest::newRow("undo: the listed project is active again") << "Acme/Crane/Version 2"
                                                              << "undo" << 1 << "Acme/Crane";
    QTest::newRow("the shown version's project") << "Acme/Crane/version 1"
                                                 << "project" << 1 << "Acme";
    QTest::newRow("the shown version's project, chosen in the tree") << "Acme/Crane"
                                                                     << "project" << 1 << "Acme";
    QTest::newRow("the shown version's client") << "Acme"
                                                << "client" << 1 << "";
    QTest::newRow("an unrelated project") << "Other/Tower"
                                          << "project" << 0 << "Other";
    QTest::newRow("an unrelated client") << "Other"
                                         << "client" << 0 << "";
}

void TestVersionManager::removalsEmptyTheDetailsOfAGoneVersionOnly() {
    QFETCH(QString, active);
    QFETCH(QString, command);
    QFETCH(int, events);
    QFETCH(QString, activeAfter);
    Open({"version 1"});
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    if (command == QLatin1String("undo"))
        versions->CheckOut();
    versions->SetActiveItem(Item(active));
    changedEvents = 0;
    user->QueueConfirm(true);
    if (command == QLatin1String("undo"))
        versions->UndoCheckOut();
    else if (command == QLatin1String("project"))
        versions->DelProject();
    else
        versions->DelClient();
    QVERIFY(!Item(active));
    QCOMPARE(changedEvents, events);
    QCOMPARE(versions->ActiveItem(), activeAfter.isEmpty() ? nullptr : Item(activeAfter));
}

void TestVersionManager::enabledRule_data() {
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("expected"); // client project out in import
    QTest::newRow("none") << ""
                          << "- - - - -";
    QTest::newRow("client") << "client"
                            << "client - - - -";
    QTest::newRow("project") << "project"
                             << "client project - - -";
    QTest::newRow("checked-in version 1 alone") << "version 1"
                                                << "client project out - import";
    QTest::newRow("checked-out version") << "Version 2"
                                         << "client project - in -";
    QTest::newRow("version 1 of two") << "two:version 1"
                                      << "client project out - -";
}

void TestVersionManager::enabledRule() {
    QFETCH(QString, active);
    QFETCH(QString, expected);
    const bool two = active.startsWith(QLatin1String("two:"));
    Open(two ? QStringList{"version 1", "Version 3"} : QStringList{"version 1"});
    if (active == QLatin1String("Version 2")) {
        versions->SetActiveItem(Version(QStringLiteral("version 1")));
        versions->CheckOut();
    } else if (active == QLatin1String("client")) {
        versions->SetActiveItem(Crane()->ParentItem());
    } else if (active == QLatin1String("project")) {
        versions->SetActiveItem(Crane());
    } else if (!active.isEmpty()) {
        versions->SetActiveItem(Version(active.mid(two ? 4 : 0)));
    }
    const QString got =
        QStringList{versions->HasActiveClient() ? "client" : "-",
                    versions->HasActiveProject() ? "project" : "-",
                    versions->CanCheckOut() ? "out" : "-", versions->CanCheckIn() ? "in" : "-",
                    versions->CanImport() ? "import" : "-"}
            .join(u' ');
    QCOMPARE(got, expected);
}

void TestVersionManager::importLayouts_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("program data layout")
        << QStringList{"Program Data/a.dat", "Corvane Projects/p/b.prj", "other.txt"}
        << QStringList{"Corvane Projects/p/b.prj", "Program Data/a.dat", "QuorvelConfig.xml",
                       "work.txt"};
    QTest::newRow("plain folder") << QStringList{"x.txt", "sub/y.txt"}
                                  << QStringList{"QuorvelConfig.xml", "import/sub/y.txt",
                                                 "import/x.txt", "work.txt"};
}

void TestVersionManager::importLayouts() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);
    Open({"version 1"});
    for (const QString& file : files)
        ws->CreateFile(QStringLiteral("import/") + file, "data");
    TVersion* v1 = Version(QStringLiteral("version 1"));
    versions->SetActiveItem(v1);
    const QString catalogue = manager->Clients()->AsXml();
    versions->ImportFromFolder(ws->Path() + QStringLiteral("import/"));
    QCOMPARE(user->messages, QStringList{"Import succeeded"});

    QStringList found;
    const QString root = ws->Path() + QStringLiteral("w/Acme/Crane/version 1/");
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(root.size());
    found.sort();
    QCOMPARE(found, expected);
    QCOMPARE(manager->Clients()->AsXml(), catalogue);
    QCOMPARE(v1->State(), vsCheckedIn);

    // Twice replaces without asking.
    versions->ImportFromFolder(ws->Path() + QStringLiteral("import/"));
    QCOMPARE(user->messages.size(), 2);
    QCOMPARE(user->messages[1], QStringLiteral("Import succeeded"));
}

void TestVersionManager::importRefusals() {
    Open({"version 1"});
    const QString folder = ws->Path() + QStringLiteral("w/");
    versions->ImportFromFolder(folder);
    QCOMPARE(user->messages.size(), 1);
    QVERIFY(user->messages[0].startsWith(
        QStringLiteral("Import from folder %1 failed with message ").arg(folder)));

    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    user->messages.clear();
    // The workspace holds the version: it would be copied into itself.
    versions->ImportFromFolder(folder);
    QCOMPARE(user->messages.size(), 1);
    QVERIFY(user->messages[0].startsWith(QStringLiteral("Import from folder")));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane/version 1")),
             QStringList{"work.txt"});
}

// What interrupted work left in the source version is never copied, and
// what an interrupted check-out left in the project is removed, and said.
void TestVersionManager::checkOutLeavesLeftoversBehind() {
    Open({"version 1"});
    ws->CreateFile(QStringLiteral("w/Acme/Crane/version 1/QuorvelConfig.xml.Ab3xYz"), "half");
    ws->CreateFile(QStringLiteral("w/Acme/Crane/version 1/sub/.quorvel-partial-9/a"), "half");
    ws->CreateFile(QStringLiteral("w/Acme/Crane/.quorvel-partial-old/work.txt"), "half");
    versions->SetActiveItem(Version(QStringLiteral("version 1")));
    versions->CheckOut();
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane/")),
             (QStringList{"Version 2", "version 1"}));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane/Version 2/")),
             (QStringList{"QuorvelConfig.xml", "sub", "work.txt"}));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Acme/Crane/Version 2/sub/")), QStringList());
    QCOMPARE(user->messages.size(), 1);
    QVERIFY2(user->messages[0].contains(QStringLiteral("w/Acme/Crane/.quorvel-partial-old")),
             qPrintable(user->messages[0]));

    // An import cleans up what an interrupted import left in its version,
    // and carries no interrupted save of the folder it imports.
    ws->CreateFile(QStringLiteral("w/Other/Tower/version 1/.quorvel-partial-7/a"), "half");
    ws->CreateFile(QStringLiteral("import/plan.txt"), "plan");
    ws->CreateFile(QStringLiteral("import/QuorvelConfig.xml.Ab3xYz"), "half");
    versions->SetActiveItem(manager->Clients()
                                ->ItemByName(QStringLiteral("Other"))
                                ->VersionCollection()
                                ->GetItems(0)
                                ->VersionCollection()
                                ->GetItems(0));
    versions->ImportFromFolder(ws->Path() + QStringLiteral("import/"));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Other/Tower/version 1/")),
             (QStringList{"QuorvelConfig.xml", "import"}));
    QCOMPARE(Entries(ws->Path() + QStringLiteral("w/Other/Tower/version 1/import/")),
             QStringList{"plan.txt"});
    QCOMPARE(user->messages.size(), 3);
    QVERIFY(
        user->messages[1].contains(QStringLiteral("w/Other/Tower/version 1/.quorvel-partial-7")));
    QCOMPARE(user->messages[2], QStringLiteral("Import succeeded"));
}

// Whatever interrupted work left, and wherever, the next command that
// changes that project removes it and names it.
void TestVersionManager::everyLeftoverIsRemovedAndTold_data() {
    QTest::addColumn<QString>("leftover");
    QTest::addColumn<QString>("command");
    QTest::newRow("a check-out's copy") << "w/Acme/Crane/.quorvel-partial-old"
                                        << "checkout";
    QTest::newRow("a check-in's save") << "w/Acme/Crane/Version 2/QuorvelConfig.xml.Ab3xYz"
                                       << "checkout";
    QTest::newRow("a catalogue save") << "w/QuorvelConfig.xml.Zz9aaB"
                                      << "checkout";
    QTest::newRow("an import's copy") << "w/Other/Tower/.quorvel-partial-1"
                                      << "import";
    QTest::newRow("an older import's copy") << "w/Other/Tower/version 1/.quorvel-partial-7"
                                            << "import";
}

void TestVersionManager::everyLeftoverIsRemovedAndTold() {
    QFETCH(QString, leftover);
    QFETCH(QString, command);
    ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 2/QuorvelConfig.xml"),
                   "<Version state=\"checked out\" parent=\"version 1\" >\r</Version>\r\n");
    Open({"version 1"});
    if (leftover.contains(FileSystem::PartialCopyPrefix()))
        ws->CreateFile(leftover + QStringLiteral("/work.txt"), "half");
    else
        ws->CreateFile(leftover, "half");
    if (command == QLatin1String("checkout")) {
        versions->SetActiveItem(Version(QStringLiteral("version 1")));
        QVERIFY(versions->CheckOut());
    } else {
        ws->CreateFile(QStringLiteral("import/plan.txt"), "plan");
        versions->SetActiveItem(Item(QStringLiteral("Other/Tower/version 1")));
        QVERIFY(versions->ImportFromFolder(ws->Path() + QStringLiteral("import/")));
    }
    QVERIFY(!ws->Exists(leftover));
    QVERIFY2(!user->messages.isEmpty() && user->messages[0].contains(ws->Path() + leftover),
             qPrintable(user->messages.join(u'\n')));
}

// A data file that cannot be written leaves the version as its file has
// it, in the catalogue and on screen.
void TestVersionManager::failedWriteLeavesTheCatalogueAsTheFile_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("check in") << "checkin";
    QTest::newRow("open in an editor") << "editor";
}

void TestVersionManager::failedWriteLeavesTheCatalogueAsTheFile() {
    QFETCH(QString, command);
    Open({"version 1", "Version 2"});
    TVersion* version = Version(QStringLiteral("Version 2"));
    versions->SetActiveItem(version);
    version->SetState(vsCheckedOut);
    TCheckInProperties record;
    record.sOwner = QStringLiteral("jdoe");
    version->SetCheckInProperties(record);
    version->SetEditor(QStringLiteral("/usr/bin/old"));
    // A folder where the data file belongs cannot be replaced by a file.
    ws->CreateFile(QStringLiteral("w/Acme/Crane/Version 2/QuorvelConfig.xml/keep"), "x");
    if (command == QLatin1String("checkin")) {
        user->QueueCheckIn(QStringLiteral("Crane added"));
        QVERIFY_THROWS_EXCEPTION(QuorvelError, versions->CheckIn());
    } else {
        TEditor editor(nullptr, QStringLiteral("New"), QStringLiteral("/usr/bin/new"));
        QVERIFY_THROWS_EXCEPTION(QuorvelError, editor.Execute(version));
    }
    QCOMPARE(version->State(), vsCheckedOut);
    QCOMPARE(version->CheckInProperties().sOwner, QStringLiteral("jdoe"));
    QCOMPARE(version->CheckInProperties().sDescription, QString());
    QCOMPARE(version->Editor(), QStringLiteral("/usr/bin/old"));
    QCOMPARE(list->Captions(vsCheckedOut).size(), 1);
}

QUORVEL_TEST_MAIN(TestVersionManager)
#include "tst_versionmanager.moc"
