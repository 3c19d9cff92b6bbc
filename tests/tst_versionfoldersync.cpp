// Following a project's version folders changed outside the program.
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "platform/ProgramPaths.h"
#include "storage/TConfigStreamer.h"
#include "support/RecordingViews.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "versioning/VersionFolderSync.h"
#include "workspace/TProjectManager.h"

#include <QDir>
#include <QtTest>

namespace {

QStringList SortedNames(const TVersionCollection* collection) {
    QStringList names;
    for (int i = 0; i < collection->Count(); ++i)
        names << collection->GetItems(i)->Name();
    names.sort();
    return names;
}

} // namespace

class TestVersionFolderSync : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void whichFoldersAreVersions_data();
    void whichFoldersAreVersions();
    void outsideChangesAreFollowed_data();
    void outsideChangesAreFollowed();
    void waitsForAVersionBeingMade();

private:
    QString CraneFolder() const { return ws->Path() + QStringLiteral("w/Acme/Crane/"); }
    TProject* Crane() const;
    // Applies one outside change: "+name" makes a version folder ("+name*"
    // one with a checked-out record), "-name" removes one, "a>b" renames.
    void Apply(const QString& change) const;

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedUser> user;
    std::unique_ptr<RecordingListView> list;
    std::unique_ptr<QuorvelRuntime> runtime;
    TVersionManager* versions = nullptr;
};

void TestVersionFolderSync::init() {
    ws = std::make_unique<TestWorkspace>();
    user = std::make_unique<ScriptedUser>();
    ProgramPaths::SetProgramFolderForTesting(ws->CreateDir(QStringLiteral("program")));
    list = std::make_unique<RecordingListView>();
    runtime = std::make_unique<QuorvelRuntime>(*user, TQuorvelConfig::Access::ReadOnly);
    versions = runtime->VersionManager(list.get());
    for (const char* name : {"version 1", "Version 2", "Version 3"})
        ws->CreateFile(QStringLiteral("w/Acme/Crane/%1/work.txt").arg(QLatin1String(name)), "x");
    ProjectMngr->SetWorkSpace(ws->Path() + QStringLiteral("w/"));
}

void TestVersionFolderSync::cleanup() {
    runtime.reset();
    list.reset();
    ProgramPaths::SetProgramFolderForTesting(QString());
    user.reset();
    ws.reset();
}

TProject* TestVersionFolderSync::Crane() const {
    TVersionItem* acme = ProjectMngr->Clients()->ItemByName(QStringLiteral("Acme"));
    return static_cast<TProject*>(acme->VersionCollection()->ItemByName(QStringLiteral("Crane")));
}

void TestVersionFolderSync::Apply(const QString& change) const {
    QDir project(CraneFolder());
    if (change.contains(u'>')) {
        const QStringList names = change.split(u'>');
        QVERIFY(project.rename(names[0], names[1]));
    } else if (change.startsWith(u'-')) {
        QVERIFY(QDir(CraneFolder() + change.mid(1)).removeRecursively());
    } else if (change.startsWith(u'+')) {
        QString name = change.mid(1);
        const bool checkedOut = name.endsWith(u'*');
        name.remove(u'*');
        QVERIFY(project.mkdir(name));
        if (checkedOut) {
            TVersions scratch(nullptr);
            TVersion record(&scratch);
            record.SetState(vsCheckedOut);
            record.SetParentVersion(QStringLiteral("Version 3"));
            TCheckInProperties properties;
            properties.sOwner = QStringLiteral("Ann");
            record.SetCheckInProperties(properties);
            TConfigStreamer(CraneFolder() + name + u'/').WriteXmlString(record.DataAsXml());
        }
    } else if (change == QLatin1String("project gone")) {
        QVERIFY(QDir(ws->Path() + QStringLiteral("w/Acme"))
                    .rename(QStringLiteral("Crane"), QStringLiteral("Crane2")));
    }
}

// A folder is a version when the rebuild would make it one; a work folder
// of unfinished work stays where it is, unlisted.
void TestVersionFolderSync::whichFoldersAreVersions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asFile");
    QTest::addColumn<bool>("item");
    QTest::addColumn<bool>("row");
    QTest::newRow("version") << "Version 4" << false << true << true;
    QTest::newRow("lower case") << "version 7" << false << true << true;
    QTest::newRow("other name: an item without a row") << "notes" << false << true << false;
    QTest::newRow("unfinished check-out") << ".quorvel-partial-k3x9" << false << false << false;
    QTest::newRow("name the file cannot hold") << "Version \"8\"" << false << false << false;
    QTest::newRow("a file, not a folder") << "Version 9" << true << false << false;
}

void TestVersionFolderSync::whichFoldersAreVersions() {
    QFETCH(QString, name);
    QFETCH(bool, asFile);
    QFETCH(bool, item);
    QFETCH(bool, row);
    versions->SetActiveItem(Crane());
    if (asFile)
        ws->CreateFile(QStringLiteral("w/Acme/Crane/") + name, "not a folder");
    else
        ws->CreateDir(QStringLiteral("w/Acme/Crane/") + name);

    const VersionFolderSync::Result result = VersionFolderSync::Reconcile(*Crane(), list.get());
    QCOMPARE(result.outcome, VersionFolderSync::Outcome::Done);
    QCOMPARE(result.added, item ? QStringList{name} : QStringList());
    QVERIFY(result.removed.isEmpty());
    TVersionCollection* collection = Crane()->VersionCollection();
    QCOMPARE(collection->Count(), item ? 4 : 3);
    QCOMPARE(list->RowCount(), row ? 4 : 3);
    // Nothing is written or removed.
    QVERIFY(ws->Exists(QStringLiteral("w/Acme/Crane/") + name));
    QVERIFY(!ws->Exists(QStringLiteral("w/QuorvelConfig.xml.tmp")));
    // The same folders again: nothing more to do.
    QVERIFY(!VersionFolderSync::Reconcile(*Crane(), list.get()).Changed());
}

void TestVersionFolderSync::outsideChangesAreFollowed_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("expected");
    // The active item afterwards, and the group captions of the list.
    QTest::addColumn<QString>("active");
    QTest::addColumn<QStringList>("checkedOutRows");

    const QStringList three{"Version 2", "Version 3", "version 1"};
    QTest::newRow("nothing changed")
        << QStringList() << "Version 2" << three << "Version 2" << QStringList();
    QTest::newRow("a version appears, with its record")
        << QStringList{"+Version 4*"} << "Version 2"
        << QStringList{"Version 2", "Version 3", "Version 4", "version 1"} << "Version 2"
        << QStringList{"Version 3 checked out by Ann"};
    QTest::newRow("another version goes")
        << QStringList{"-Version 3"} << "Version 2" << QStringList{"Version 2", "version 1"}
        << "Version 2" << QStringList();
    QTest::newRow("the selected version goes: its project is active")
        << QStringList{"-Version 2"} << "Version 2" << QStringList{"Version 3", "version 1"}
        << "Crane" << QStringList();
    QTest::newRow("rename") << QStringList{"Version 3>Version 5"} << "version 1"
                            << QStringList{"Version 2", "Version 5", "version 1"} << "version 1"
                            << QStringList();
    QTest::newRow("letter case only")
        << QStringList{"version 1>Version 1"} << "Version 3"
        << QStringList{"Version 1", "Version 2", "Version 3"} << "Version 3" << QStringList();
    QTest::newRow("unfinished check-out appears")
        << QStringList{"+.quorvel-partial-abc"} << "Version 3" << three << "Version 3"
        << QStringList();
    QTest::newRow("project folder gone: nothing is dropped")
        << QStringList{"project gone"} << "Version 3" << three << "Version 3" << QStringList();
}

void TestVersionFolderSync::outsideChangesAreFollowed() {
    QFETCH(QStringList, changes);
    QFETCH(QString, selected);
    QFETCH(QStringList, expected);
    QFETCH(QString, active);
    QFETCH(QStringList, checkedOutRows);
    TVersionItem* chosen = Crane()->VersionCollection()->ItemByName(selected);
    versions->SetActiveItem(chosen);
    static_cast<TVersion*>(chosen)->SetVersionSelected(true);
    for (const QString& change : changes)
        Apply(change);

    // Events run as versions are added; no command may touch the catalogue then.
    bool idleDuringEvents = false;
    user->duringEvents = [&] { idleDuringEvents = idleDuringEvents || !ProjectMngr->Busy(); };
    QVERIFY(versions->FollowProjectFolder());
    user->duringEvents = nullptr;
    QVERIFY(!idleDuringEvents);
    QVERIFY(!ProjectMngr->Busy());
    QCOMPARE(SortedNames(Crane()->VersionCollection()), expected);
    QCOMPARE(versions->ActiveItem()->Name(), active);
    // The list shows every version but the project's own name, in order.
    const QStringList rows = list->Captions(0) + list->Captions(1);
    QCOMPARE(rows.size(), expected.size());
    QCOMPARE(list->Captions(vsCheckedOut), checkedOutRows);
    if (active == selected)
        QVERIFY(static_cast<TVersion*>(versions->ActiveItem())->VersionSelected());
    // Idempotent: a second look finds nothing to do.
    const VersionFolderSync::Result again = VersionFolderSync::Reconcile(*Crane(), list.get());
    QVERIFY(!again.Changed());
}

void TestVersionFolderSync::waitsForAVersionBeingMade() {
    versions->SetActiveItem(Crane());
    TVersionCollection* collection = Crane()->VersionCollection();
    // As in a check-out between adding the item and naming it.
    TVersionItem* nameless = collection->AddItem();
    ws->CreateDir(QStringLiteral("w/Acme/Crane/Version 4"));
    QVERIFY(!versions->FollowProjectFolder());
    QCOMPARE(collection->Count(), 4);
    nameless->SetName(QStringLiteral("Version 4"));
    QVERIFY(versions->FollowProjectFolder());
    QCOMPARE(SortedNames(collection),
             (QStringList{"Version 2", "Version 3", "Version 4", "version 1"}));
}

QUORVEL_TEST_MAIN(TestVersionFolderSync)
#include "tst_versionfoldersync.moc"
