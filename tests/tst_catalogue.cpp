// The catalogue model: items, collections, names, folders and the rebuild.
#include "catalogue/CatalogueOwner.h"
#include "catalogue/ItemFolders.h"
#include "catalogue/NameLookup.h"
#include "catalogue/TClient.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TProjects.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "platform/QuorvelError.h"
#include "storage/TConfigStreamer.h"
#include "support/RecordingViews.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/CheckedOutVersions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include <algorithm>
#include <cstring>

namespace {

class Owner : public CatalogueOwner {
public:
    QString workspace;
    CatalogueTreeView* tree = nullptr;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return tree; }
};

// A workspace folder, a user, a tree and the root of a catalogue over them.
struct CatalogueFixture {
    CatalogueFixture() : clients(&owner) {
        owner.workspace = ws.Path();
        owner.tree = &tree;
    }

    TestWorkspace ws;
    ScriptedUser user;
    RecordingTreeView tree;
    Owner owner;
    TClients clients;
};

struct Change {
    TVersionCollection* sender;
    TVersionItem* item;
    QString name;
    ChangeKind kind;
};

TVersionItem* Add(TVersionCollection* collection, const QString& name) {
    TVersionItem* item = collection->AddItem();
    item->SetName(name);
    return item;
}

TVersions* VersionsOf(TVersionItem* project) {
    return static_cast<TVersions*>(project->VersionCollection());
}

// Everything the trash holds, by name.
QStringList TrashedNames() {
    QStringList names;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDirIterator it(data + QStringLiteral("/Trash/files"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    return names;
}

// The longest path the system takes, its closing NUL left out.
constexpr int kLongestPath = 4095;

// A folder below the workspace whose path, with its closing "/", is
// exactly length bytes long.
QString DeepFolder(const TestWorkspace& ws, int length) {
    QString relative;
    int left = length - int(ws.Path().size());
    while (left > 0) {
        int part = std::min(200, left - 1);
        if (left - (part + 1) == 1)
            --part;
        relative += QString(part, u'd') + u'/';
        left -= part + 1;
    }
    const QString folder = ws.CreateDir(relative);
    Q_ASSERT(folder.size() == length);
    return folder;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void itemsHoldTheLevelBelow();
    void changeEventsComeInOrder();
    void callbackReachesTheWholeTree();
    void itemByName_data();
    void itemByName();
    void nameLookup_data();
    void nameLookup();
    void versionNumbers_data();
    void versionNumbers();
    void nextVersionNumber_data();
    void nextVersionNumber();
    void pathFollowsNames();
    void delItemRemovesSubtreeQuietly();
    void stateChangeRefreshesRow();
    void listClearLeavesNoDanglingRows();
    void loadDataReadsOncePerCollection();
    void repeatedTextsAreSharedNotLinked();
    void legalNames_data();
    void legalNames();
    void newClientAndProject();
    void newItemAsksAgainOnlyForTakenNames();
    void newItemWithNameTheFileSystemRefuses();
    void namesLeaveRoomForTheirPaths_data();
    void namesLeaveRoomForTheirPaths();
    void unreadableDataIsToldAndTheRestRead_data();
    void unreadableDataIsToldAndTheRestRead();
    void renameRules();
    void renameOntoExistingFolderFails();
    void removeItemAsksAndTrashes();
    void damagedNamesNeverTouchAnotherFolder_data();
    void damagedNamesNeverTouchAnotherFolder();
    void linkedFoldersAreLeftAlone();
    void readFromRoot();
    void readFromRootOfMissingFolderRaises();
};

void TestCatalogue::itemsHoldTheLevelBelow() {
    Owner owner;
    TClients clients(&owner);
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    TVersionItem* version = Add(project->VersionCollection(), QStringLiteral("version 1"));

    QVERIFY(dynamic_cast<TClient*>(client));
    QVERIFY(dynamic_cast<TProjects*>(client->VersionCollection()));
    QVERIFY(dynamic_cast<TProject*>(project));
    QVERIFY(dynamic_cast<TVersions*>(project->VersionCollection()));
    QVERIFY(dynamic_cast<TVersion*>(version));
    QVERIFY(!version->HasCollection());
    QCOMPARE(version->ParentItem(), project);
    QCOMPARE(project->ParentItem(), client);
    QCOMPARE(client->ParentItem(), nullptr);
    QCOMPARE(version->State(), vsCheckedIn);
    QVERIFY_THROWS_EXCEPTION(QuorvelError, clients.GetItems(1));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, clients.GetItems(-1));
}

void TestCatalogue::changeEventsComeInOrder() {
    Owner owner;
    TClients clients(&owner);
    QList<Change> changes;
    clients.SetOnChanged([&](TVersionCollection* s, TVersionItem* i, ChangeKind k) {
        changes.append({s, i, i->Name(), k});
    });
    TVersionItem* client = clients.AddItem();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0].kind, ChangeKind::ItemAdded);
    QCOMPARE(changes[0].name, QString());
    QCOMPARE(changes[0].sender, &clients);
    client->SetName(QStringLiteral("Acme"));
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes[1].kind, ChangeKind::ItemdEdited);
    QCOMPARE(changes[1].name, QStringLiteral("Acme"));

    // Removing raises nothing.
    clients.DelItem(client);
    QCOMPARE(changes.size(), 2);
}

void TestCatalogue::callbackReachesTheWholeTree() {
    Owner owner;
    TClients clients(&owner);
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));

    QList<Change> changes;
    clients.SetOnChanged([&](TVersionCollection* s, TVersionItem* i, ChangeKind k) {
        changes.append({s, i, i->Name(), k});
    });
    Add(project->VersionCollection(), QStringLiteral("version 1"));
    Add(client->VersionCollection(), QStringLiteral("Q"));
    TVersionItem* q = client->VersionCollection()->GetItems(1);
    Add(q->VersionCollection(), QStringLiteral("version 1"));
    QCOMPARE(changes.size(), 6);
    QCOMPARE(changes[4].sender, q->VersionCollection());
}

void TestCatalogue::itemByName_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("found");
    QTest::newRow("a-z folds") << "client A"
                               << "CLIENT a" << true;
    QTest::newRow("other letters do not fold") << "Ärger"
                                               << "ärger" << false;
    QTest::newRow("no trimming") << "Client"
                                 << " Client" << false;
    QTest::newRow("exact") << "R&D"
                           << "R&D" << true;
}

void TestCatalogue::itemByName() {
    QFETCH(QString, stored);
    QFETCH(QString, asked);
    QFETCH(bool, found);
    Owner owner;
    TClients clients(&owner);
    Add(&clients, QStringLiteral("other"));
    TVersionItem* item = Add(&clients, stored);
    QCOMPARE(clients.ItemByName(asked), found ? item : nullptr);
}

void TestCatalogue::nameLookup_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("asked");
    // The name of the item found; empty for none.
    QTest::addColumn<QString>("found");
    QTest::addColumn<QStringList>("ambiguousAmong");
    QTest::newRow("exact wins over an earlier case-blind match")
        << QStringList{"Harbour", "harbour"} << "harbour"
        << "harbour" << QStringList();
    QTest::newRow("exact wins among several case-blind matches")
        << QStringList{"HARBOUR", "Harbour", "harbour"} << "Harbour"
        << "Harbour" << QStringList();
    QTest::newRow("one case-blind match is found") << QStringList{"Crane", "Harbour"} << "HARBOUR"
                                                   << "Harbour" << QStringList();
    QTest::newRow("two case-blind matches are ambiguous")
        << QStringList{"Harbour", "Crane", "HARBOUR"} << "harbour"
        << "" << QStringList{"Harbour", "HARBOUR"};
    QTest::newRow("none") << QStringList{"Harbour"} << "Port"
                          << "" << QStringList();
}

void TestCatalogue::nameLookup() {
    QFETCH(QStringList, stored);
    QFETCH(QString, asked);
    QFETCH(QString, found);
    QFETCH(QStringList, ambiguousAmong);
    Owner owner;
    TClients clients(&owner);
    TVersionItem* expected = nullptr;
    for (const QString& name : stored) {
        TVersionItem* item = Add(&clients, name);
        if (name == found)
            expected = item;
    }
    const NameLookup lookup(clients, asked);
    QCOMPARE(lookup.Item(), expected);
    QCOMPARE(lookup.IsAmbiguous(), !ambiguousAmong.isEmpty());
    if (lookup.IsAmbiguous()) {
        QCOMPARE(lookup.AmbiguityMessage(),
                 QStringLiteral("\"%1\" is ambiguous: %2").arg(asked, ambiguousAmong.join(", ")));
    }
}

void TestCatalogue::versionNumbers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("Version 12") << "Version 12" << 12;
    QTest::newRow("version 1") << "version 1" << 1;
    QTest::newRow("no number") << "Version" << 0;
    QTest::newRow("no version") << "Draft" << 0;
    QTest::newRow("blanks around") << "Version  7 " << 7;
    QTest::newRow("text after") << "Version 3b" << 0;
    QTest::newRow("too large") << "Version 99999999999" << 0;
}

void TestCatalogue::versionNumbers() {
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(TVersion::VersionNrOf(name), number);
}

void TestCatalogue::nextVersionNumber_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("next");
    QTest::newRow("none") << QStringList() << 0;
    QTest::newRow("gaps are not filled") << QStringList{"version 1", "Version 7", "Version 3"} << 8;
    QTest::newRow("first two") << QStringList{"version 1", "Version 2"} << 3;
    QTest::newRow("no number counts 0") << QStringList{"Backup"} << 1;
    QTest::newRow("negative never raises") << QStringList{"Version -5"} << 0;
    QTest::newRow("up to the highest number")
        << QStringList{"version 1", "Version 2147483646"} << 2147483647;
    // -1: refused, whatever the order the folders were listed in.
    QTest::newRow("past the highest number")
        << QStringList{"Version 2147483647", "version 1"} << -1;
    QTest::newRow("past the highest, listed last")
        << QStringList{"version 1", "Version 2147483647"} << -1;
}

void TestCatalogue::nextVersionNumber() {
    QFETCH(QStringList, names);
    QFETCH(int, next);
    Owner owner;
    TClients clients(&owner);
    TVersionItem* project =
        Add(Add(&clients, QStringLiteral("C"))->VersionCollection(), QStringLiteral("P"));
    for (const QString& name : names)
        Add(project->VersionCollection(), name);
    if (next < 0)
        QVERIFY_THROWS_EXCEPTION(QuorvelError, VersionsOf(project)->GetNextVersionNr());
    else
        QCOMPARE(VersionsOf(project)->GetNextVersionNr(), next);
}

void TestCatalogue::pathFollowsNames() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    TVersionItem* version = Add(project->VersionCollection(), QStringLiteral("Version 2"));
    QCOMPARE(version->Path(), ws.Path() + QStringLiteral("C/P/Version 2/"));

    ws.CreateDir(QStringLiteral("C/P/Version 2"));
    user.QueueName(QStringLiteral("Zenith"));
    client->Rename();
    QCOMPARE(version->Path(), ws.Path() + QStringLiteral("Zenith/P/Version 2/"));
    QVERIFY(ws.Exists(QStringLiteral("Zenith/P/Version 2")));
}

void TestCatalogue::delItemRemovesSubtreeQuietly() {
    Owner owner;
    RecordingTreeView tree;
    RecordingListView list;
    owner.tree = &tree;
    TClients clients(&owner);
    int changes = 0;
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    Add(&clients, QStringLiteral("D"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    auto* version =
        static_cast<TVersion*>(Add(project->VersionCollection(), QStringLiteral("version 1")));
    version->AddToView(&list);
    QCOMPARE(tree.Outline(), (QStringList{"C", "  P", "D"}));
    QCOMPARE(list.rows.size(), size_t(1));

    clients.SetOnChanged([&](TVersionCollection*, TVersionItem*, ChangeKind) { ++changes; });
    clients.DelItem(client);
    QCOMPARE(tree.Outline(), QStringList{"D"});
    QCOMPARE(list.rows.size(), size_t(0));
    QCOMPARE(list.RowCount(), 0);
    QCOMPARE(clients.Count(), 1);
    QCOMPARE(changes, 0);

    // An item that is not in the list is ignored.
    TClients others(&owner);
    TVersionItem* stranger = Add(&others, QStringLiteral("S"));
    clients.DelItem(stranger);
    QCOMPARE(others.Count(), 1);
}

void TestCatalogue::stateChangeRefreshesRow() {
    Owner owner;
    RecordingListView list;
    TClients clients(&owner);
    TVersionItem* project =
        Add(Add(&clients, QStringLiteral("C"))->VersionCollection(), QStringLiteral("P"));
    auto* listed =
        static_cast<TVersion*>(Add(project->VersionCollection(), QStringLiteral("Version 3")));
    auto* unlisted =
        static_cast<TVersion*>(Add(project->VersionCollection(), QStringLiteral("Version 4")));
    listed->AddToView(&list);
    TCheckInProperties record;
    record.sOwner = QStringLiteral("jan");
    listed->SetCheckInProperties(record);
    listed->SetParentVersion(QStringLiteral("Version 2"));
    listed->SetState(vsCheckedOut);
    QCOMPARE(list.rows[0]->caption, QStringLiteral("Version 2 checked out by jan"));
    QCOMPARE(list.rows[0]->groupId, 1);
    QCOMPARE(list.rows[0]->imageIndex, 1);

    unlisted->SetState(vsCheckedOut);
    QCOMPARE(unlisted->State(), vsCheckedOut);
    QCOMPARE(list.rows.size(), size_t(1));
}

void TestCatalogue::listClearLeavesNoDanglingRows() {
    Owner owner;
    TClients clients(&owner);
    TVersionItem* project =
        Add(Add(&clients, QStringLiteral("C"))->VersionCollection(), QStringLiteral("P"));
    auto* version =
        static_cast<TVersion*>(Add(project->VersionCollection(), QStringLiteral("Version 1")));
    {
        RecordingListView list;
        version->AddToView(&list);
        QVERIFY(version->ListItem());
        list.Clear();
        QCOMPARE(version->ListItem(), nullptr);
        version->AddToView(&list);
    }
    // The list went first: the version must not reach for it.
    QCOMPARE(version->ListView(), nullptr);
    version->SetState(vsCheckedOut);
    project->VersionCollection()->DelItem(version);
}

void TestCatalogue::loadDataReadsOncePerCollection() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* project =
        Add(Add(&clients, QStringLiteral("C"))->VersionCollection(), QStringLiteral("P"));
    TVersionItem* version = Add(project->VersionCollection(), QStringLiteral("Version 2"));
    ws.CreateDir(QStringLiteral("C/P/Version 2"));
    version->SetState(vsCheckedOut);
    version->SetEditor(QStringLiteral("/usr/bin/ed"));
    version->WriteData();
    version->SetState(vsCheckedIn);
    version->SetEditor(QString());

    project->LoadData();
    QCOMPARE(version->State(), vsCheckedOut);
    QVERIFY(project->VersionCollection()->DataLoaded());

    version->SetState(vsCheckedIn);
    project->LoadData();
    QCOMPARE(version->State(), vsCheckedIn); // the versions are read once

    // The project's own data file is read at every call.
    ws.CreateFile(QStringLiteral("C/P/QuorvelConfig.xml"),
                  "<Version state=\"checked out\" parent=\"\" >\r</Version>\r\n");
    project->LoadData();
    QCOMPARE(project->State(), vsCheckedOut);
}

// Versions hold one copy of the texts they have in common, and a change
// of one version's text is its own.
void TestCatalogue::repeatedTextsAreSharedNotLinked() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    std::vector<TVersionItem*> versions;
    for (const QString& project : {QStringLiteral("P"), QStringLiteral("Q")}) {
        TVersionItem* item = Add(client->VersionCollection(), project);
        versions.push_back(Add(item->VersionCollection(), QStringLiteral("Version 2")));
        ws.CreateFile(QStringLiteral("C/%1/Version 2/QuorvelConfig.xml").arg(project),
                      "<Version state=\"checked out\" parent=\"version 1\" >\r<Editor>\r/usr/bin/ed"
                      "</Editor>\r    <Date_time>\r        1-2-2026 10:00:00\r    </Date_time>\r"
                      "    <Owner>\r        jan\r    </Owner>\r    <Description>\r        " +
                          project.toLatin1() + "\r    </Description>\r</Version>\r\n");
    }
    client->LoadData();
    const TVersionItem* a = versions[0];
    TVersionItem* b = versions[1];
    QCOMPARE(a->Name().constData(), b->Name().constData());
    QCOMPARE(a->ParentVersion().constData(), b->ParentVersion().constData());
    QCOMPARE(a->Editor().constData(), b->Editor().constData());
    QCOMPARE(a->CheckInProperties().sOwner.constData(), b->CheckInProperties().sOwner.constData());
    QCOMPARE(a->CheckInProperties().sDatetime.constData(),
             b->CheckInProperties().sDatetime.constData());
    QCOMPARE(b->CheckInProperties().sDescription, QStringLiteral("Q"));

    const QString before = a->DataAsXml();
    TCheckInProperties record = b->CheckInProperties();
    record.sOwner = QStringLiteral("eve");
    b->SetCheckInProperties(record);
    b->SetEditor(QStringLiteral("/usr/bin/vi"));
    b->SetName(QStringLiteral("Version 3"));
    QCOMPARE(a->DataAsXml(), before);
    QCOMPARE(a->Name(), QStringLiteral("Version 2"));
    QCOMPARE(b->CheckInProperties().sOwner, QStringLiteral("eve"));
}

void TestCatalogue::legalNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString bad = QStringLiteral("A Client or Project name may not contain any of the "
                                       "following \\ / : * ? \"\" < > |\"   Characters ");
    const QString empty = QStringLiteral("A Client or Project name may not be empty.");
    const QString dots = QStringLiteral("A Client or Project name may not be \".\" or \"..\".");
    QTest::newRow("empty") << "" << empty;
    QTest::newRow("blanks") << "   " << empty;
    QTest::newRow("controls") << "\t\r\n" << empty;
    QTest::newRow("slash") << "A/B" << bad;
    QTest::newRow("several bad") << "a<b>c|d" << bad;
    QTest::newRow("colon") << "C:" << bad;
    QTest::newRow("line break inside")
        << "a\nb"
        << "A Client or Project name may not contain control characters.";
    QTest::newRow("tab inside") << "a\tb"
                                << "A Client or Project name may not contain control characters.";
    const QString control =
        QStringLiteral("A Client or Project name may not contain control characters.");
    QTest::newRow("DEL") << QStringLiteral("a\u007Fb") << control;
    QTest::newRow("DEL alone") << QStringLiteral("\u007F") << control;
    QTest::newRow("first C1") << QStringLiteral("a\u0080b") << control;
    QTest::newRow("next line") << QStringLiteral("a\u0085b") << control;
    QTest::newRow("last C1") << QStringLiteral("a\u009Fb") << control;
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b") << "";
    const QString direction = QStringLiteral(
        "A Client or Project name may not contain direction marks, which make a name look like "
        "another.");
    QTest::newRow("right-to-left override") << QStringLiteral("a\u202Eb") << direction;
    QTest::newRow("left-to-right embedding") << QStringLiteral("\u202Aab") << direction;
    QTest::newRow("first isolate") << QStringLiteral("ab\u2066") << direction;
    QTest::newRow("pop isolate") << QStringLiteral("a\u2069b") << direction;
    QTest::newRow("left-to-right mark") << QStringLiteral("a\u200Eb") << direction;
    QTest::newRow("right-to-left mark") << QStringLiteral("a\u200Fb") << direction;
    QTest::newRow("Arabic letter mark") << QStringLiteral("a\u061Cb") << direction;
    QTest::newRow("zero width joiner") << QStringLiteral("a\u200Db") << "";
    QTest::newRow("Hebrew") << QStringLiteral("\u05E9\u05DC\u05D5\u05DD") << "";
    const QString tooLong = QStringLiteral("A Client or Project name may not be longer than 255 "
                                           "bytes (characters outside ASCII take two to four).");
    QTest::newRow("255 bytes") << QString(255, u'x') << "";
    QTest::newRow("256 bytes") << QString(256, u'x') << tooLong;
    QTest::newRow("255 bytes in UTF-8") << QString(127, u'\u00E9') + u'x' << "";
    QTest::newRow("256 bytes in UTF-8") << QString(128, u'\u00E9') << tooLong;
    QTest::newRow("dot") << "." << dots;
    QTest::newRow("dot dot") << ".." << dots;
    QTest::newRow("blanks kept") << "  Acme  "
                                 << "";
    QTest::newRow("three dots") << "..."
                                << "";
    QTest::newRow("not latin") << "Łódź 東京"
                               << "";
}

void TestCatalogue::legalNames() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    ScriptedUser user;
    QCOMPARE(IsLegalDirectoryName(name), message.isEmpty());
    QCOMPARE(user.messages, message.isEmpty() ? QStringList() : QStringList{message});
}

void TestCatalogue::newClientAndProject() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;

    user.QueueName(QStringLiteral("  Acme  "));
    clients.AddNewItem();
    QCOMPARE(user.shown, QStringList{"name: Client name dialog|Enter client name|"});
    QCOMPARE(clients.Count(), 1);
    TVersionItem* client = clients.GetItems(0);
    QCOMPARE(client->Name(), QStringLiteral("  Acme  "));
    QVERIFY(ws.Exists(QStringLiteral("  Acme  ")));
    QVERIFY(client->Selected());
    QVERIFY(!ws.Exists(QStringLiteral("QuorvelConfig.xml")));

    user.shown.clear();
    user.QueueName(QStringLiteral("Harbour"));
    static_cast<TProjects*>(client->VersionCollection())->AddNewItem();
    QCOMPARE(user.shown, QStringList{"name: Project name dialog|Enter project name|"});
    TVersionItem* project = client->VersionCollection()->GetItems(0);
    QCOMPARE(project->VersionCollection()->Count(), 1);
    QCOMPARE(project->VersionCollection()->GetItems(0)->Name(), QStringLiteral("version 1"));
    QVERIFY(ws.Exists(QStringLiteral("  Acme  /Harbour/version 1")));
    QVERIFY(!ws.Exists(QStringLiteral("  Acme  /Harbour/version 1/QuorvelConfig.xml")));
    QVERIFY(project->Selected());
    QCOMPARE(tree.Outline(), (QStringList{"  Acme  ", "  Harbour"}));
}

void TestCatalogue::newItemAsksAgainOnlyForTakenNames() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    Add(&clients, QStringLiteral("Acme"));

    // A taken name brings the empty dialog back.
    user.QueueName(QStringLiteral("acme"));
    user.QueueName(std::nullopt);
    clients.AddNewItem();
    QCOMPARE(user.shown, (QStringList{"name: Client name dialog|Enter client name|",
                                      "message: name acme already exists.",
                                      "name: Client name dialog|Enter client name|"}));
    QCOMPARE(clients.Count(), 1);

    // A refused name ends the command.
    user.shown.clear();
    user.QueueName(QStringLiteral("A/B"));
    clients.AddNewItem();
    QCOMPARE(user.shown.size(), 2);
    QVERIFY(user.names.isEmpty());
    QVERIFY(!user.ranOutOfAnswers);
    QCOMPARE(clients.Count(), 1);
    QCOMPARE(QDir(ws.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestCatalogue::newItemWithNameTheFileSystemRefuses() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    // A file the catalogue does not know takes the name.
    ws.CreateFile(QStringLiteral("Taken"), "x");

    user.QueueName(QStringLiteral("Taken"));
    clients.AddNewItem();
    QCOMPARE(clients.Count(), 0);
    QCOMPARE(tree.NodeCount(), 0);
    QCOMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages[0].contains(QStringLiteral("could not be created")),
             qPrintable(user.messages[0]));
    QCOMPARE(QDir(ws.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"Taken"});
}

void TestCatalogue::namesLeaveRoomForTheirPaths_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("parentBytes");
    QTest::addColumn<int>("nameBytes");
    QTest::addColumn<QString>("message");
    const auto longer = [](int room) {
        return QStringLiteral("A Client or Project name may not be longer than %1 bytes here: "
                              "the paths of its files would be longer than the system's limit "
                              "of 4095 bytes.")
            .arg(room);
    };
    // The deepest path each makes below its new or renamed folder.
    const int client = int(strlen("/QuorvelConfig.xml.XXXXXX"));
    const int project = int(strlen("/version 1/QuorvelConfig.xml.XXXXXX"));
    const int renamed = int(strlen("/P/Version 12/QuorvelConfig.xml.XXXXXX"));
    const int parent = 3900;
    QTest::newRow("client fits") << "client" << parent << kLongestPath - parent - client << "";
    QTest::newRow("client one byte over")
        << "client" << parent << kLongestPath - parent - client + 1
        << longer(kLongestPath - parent - client);
    QTest::newRow("project fits") << "project" << parent << kLongestPath - parent - project << "";
    QTest::newRow("project one byte over")
        << "project" << parent << kLongestPath - parent - project + 1
        << longer(kLongestPath - parent - project);
    QTest::newRow("rename fits") << "rename" << parent << kLongestPath - parent - renamed << "";
    QTest::newRow("rename one byte over")
        << "rename" << parent << kLongestPath - parent - renamed + 1
        << longer(kLongestPath - parent - renamed);
    QTest::newRow("no room left")
        << "client" << kLongestPath - client << 1
        << "There is no room for a Client or Project in the folder %1: the paths of its files "
           "would be longer than the system's limit of 4095 bytes.";
}

// A name is refused when a path the program makes with it would be too
// long; one that is let through works to the deepest data file.
void TestCatalogue::namesLeaveRoomForTheirPaths() {
    QFETCH(QString, kind);
    QFETCH(int, parentBytes);
    QFETCH(int, nameBytes);
    QFETCH(QString, message);
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    const QString name(nameBytes, u'n');
    // The folder whose data file lies deepest.
    TVersionItem* deepest = nullptr;
    QString parent;
    if (kind == QLatin1String("client")) {
        parent = owner.workspace = DeepFolder(ws, parentBytes);
        user.QueueName(name);
        deepest = clients.AddNewItem();
    } else if (kind == QLatin1String("project")) {
        owner.workspace = DeepFolder(ws, parentBytes - 2);
        parent = owner.workspace + QStringLiteral("C/");
        QDir().mkpath(parent);
        TVersionItem* client = Add(&clients, QStringLiteral("C"));
        user.QueueName(name);
        if (TVersionItem* project =
                static_cast<TProjects*>(client->VersionCollection())->AddNewItem())
            deepest = project->VersionCollection()->GetItems(0);
    } else {
        parent = owner.workspace = DeepFolder(ws, parentBytes);
        QDir().mkpath(parent + QStringLiteral("C/P/version 1"));
        QDir().mkpath(parent + QStringLiteral("C/P/Version 12"));
        TVersionItem* client = Add(&clients, QStringLiteral("C"));
        TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
        Add(project->VersionCollection(), QStringLiteral("version 1"));
        TVersionItem* last = Add(project->VersionCollection(), QStringLiteral("Version 12"));
        user.QueueName(name);
        user.QueueName(std::nullopt);
        if (client->Rename())
            deepest = last;
    }
    QCOMPARE(user.messages,
             message.isEmpty()
                 ? QStringList()
                 : QStringList{QString(message).replace(QStringLiteral("%1"), parent)});
    QCOMPARE(deepest != nullptr, message.isEmpty());
    if (!deepest) {
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 kind == QLatin1String("rename") ? QStringList{"C"} : QStringList());
        return;
    }
    deepest->SetEditor(QStringLiteral("/usr/bin/ed"));
    deepest->WriteData();
    deepest->SetEditor(QString());
    deepest->LoadData();
    QCOMPARE(deepest->Editor(), QStringLiteral("/usr/bin/ed"));
}

void TestCatalogue::unreadableDataIsToldAndTheRestRead_data() {
    QTest::addColumn<QString>("reader");
    QTest::newRow("a project's data") << "project";
    QTest::newRow("the whole catalogue's data") << "catalogue";
    QTest::newRow("the checked-out versions") << "checked out";
}

// A version whose data file the system cannot open (its path is too long)
// is told, and the versions after it are read all the same.
void TestCatalogue::unreadableDataIsToldAndTheRestRead() {
    QFETCH(QString, reader);
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    // The long version's folder fits; its data file does not.
    const QString longName(50, u'L');
    owner.workspace = DeepFolder(ws, kLongestPath - 54);
    ws.CreateDir(owner.workspace.mid(ws.Path().size()) + QStringLiteral("C/P/") + longName);
    const QByteArray checkedOut = "<Version state=\"checked out\" parent=\"version 1\" >\r"
                                  "<Editor>\r</Editor>\r</Version>\r\n";
    ws.CreateFile(owner.workspace.mid(ws.Path().size()) + QStringLiteral("C/P/Version 3/") +
                      TConfigStreamer::ConfigFileName(),
                  checkedOut);
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    Add(project->VersionCollection(), QStringLiteral("version 1"));
    Add(project->VersionCollection(), longName);
    TVersionItem* third = Add(project->VersionCollection(), QStringLiteral("Version 3"));

    QStringList told;
    const UnreadableData tell = [&told](TVersionItem* item, const QString& reason) {
        told << item->Name() + QStringLiteral(": ") + reason;
    };
    if (reader == QLatin1String("project")) {
        project->LoadData(tell);
    } else if (reader == QLatin1String("catalogue")) {
        clients.LoadData(tell);
    } else {
        CheckedOutVersions gathered;
        QVERIFY(gathered.Gather(&clients, CheckedOutVersions::Progress(), tell));
        QCOMPARE(gathered.Entries().size(), size_t(1));
        QCOMPARE(gathered.Entries()[0].version, QStringLiteral("Version 3"));
    }
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].startsWith(longName + QStringLiteral(": ")), qPrintable(told[0]));
    QVERIFY(third->IsCheckedOut());
    QVERIFY(user.shown.isEmpty());
}

void TestCatalogue::renameRules() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* client = Add(&clients, QStringLiteral("Acme"));
    ws.CreateDir(QStringLiteral("Acme"));

    // The item finds itself in other letter case; a bad name brings the
    // dialog back too, with the name as it was typed.
    user.QueueName(QStringLiteral("ACME"));
    user.QueueName(QStringLiteral("A|B"));
    user.QueueName(QStringLiteral("  Zenith  "));
    client->Rename();
    QCOMPARE(user.shown.size(), 5);
    QCOMPARE(user.shown[0], QStringLiteral("name: New name dialog|Enter new name|Acme"));
    QCOMPARE(user.shown[1], QStringLiteral("message: name ACME already exists."));
    QCOMPARE(user.shown[2], QStringLiteral("name: New name dialog|Enter new name|ACME"));
    QCOMPARE(user.shown[4], QStringLiteral("name: New name dialog|Enter new name|A|B"));
    QCOMPARE(client->Name(), QStringLiteral("Zenith"));
    QCOMPARE(tree.Outline(), QStringList{"Zenith"});
    QVERIFY(ws.Exists(QStringLiteral("Zenith")));
    QVERIFY(!ws.Exists(QStringLiteral("Acme")));

    // Cancel changes nothing.
    user.QueueName(std::nullopt);
    client->Rename();
    QCOMPARE(client->Name(), QStringLiteral("Zenith"));
}

void TestCatalogue::renameOntoExistingFolderFails() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* client = Add(&clients, QStringLiteral("Acme"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    ws.CreateFile(QStringLiteral("Acme/P/work.txt"), "mine");
    // An empty folder that the catalogue does not know: Linux would replace it.
    ws.CreateDir(QStringLiteral("Acme/Q"));

    user.QueueName(QStringLiteral("Q"));
    user.QueueName(std::nullopt);
    project->Rename();
    QCOMPARE(user.messages, QStringList{QStringLiteral("Rename folder %1, to folder %2 failed.")
                                            .arg(ws.Path() + QStringLiteral("Acme/P/"),
                                                 ws.Path() + QStringLiteral("Acme/Q"))});
    QCOMPARE(user.shown.size(), 3);
    QCOMPARE(project->Name(), QStringLiteral("P"));
    QCOMPARE(ws.ReadFile(QStringLiteral("Acme/P/work.txt")), QByteArray("mine"));
    QVERIFY(ws.Exists(QStringLiteral("Acme/Q")));
}

void TestCatalogue::removeItemAsksAndTrashes() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    TVersionItem* client = Add(&clients, QStringLiteral("Trashed client"));
    for (const char* name : {"P1", "P2", "P3"})
        Add(client->VersionCollection(), QString::fromLatin1(name));
    ws.CreateFile(QStringLiteral("Trashed client/P1/version 1/work.txt"), "work");

    user.QueueConfirm(false);
    clients.RemoveItem(client);
    QCOMPARE(user.shown, QStringList{"confirm: Delete client Trashed client with all 3 projects?"});
    QCOMPARE(clients.Count(), 1);
    QVERIFY(ws.Exists(QStringLiteral("Trashed client/P1/version 1/work.txt")));

    user.QueueConfirm(true);
    clients.RemoveItem(client);
    QCOMPARE(clients.Count(), 0);
    QCOMPARE(tree.NodeCount(), 0);
    QVERIFY(!ws.Exists(QStringLiteral("Trashed client")));
    QVERIFY(TrashedNames().contains(QStringLiteral("Trashed client")));

    // A project without versions asks with an empty text.
    TVersionItem* other = Add(&clients, QStringLiteral("O"));
    TVersionItem* empty = Add(other->VersionCollection(), QStringLiteral("Empty"));
    TVersionItem* full = Add(other->VersionCollection(), QStringLiteral("Full"));
    Add(full->VersionCollection(), QStringLiteral("version 1"));
    ws.CreateDir(QStringLiteral("O/Empty"));
    user.shown.clear();
    user.QueueConfirm(true);
    user.QueueConfirm(false);
    auto* projects = static_cast<TProjects*>(other->VersionCollection());
    projects->RemoveItem(empty);
    projects->RemoveItem(full);
    QCOMPARE(user.shown, (QStringList{"confirm: ", "confirm: Delete Project Full?"}));
    QCOMPARE(projects->Count(), 1);
}

void TestCatalogue::damagedNamesNeverTouchAnotherFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("separator") << "a/../..";
}

void TestCatalogue::damagedNamesNeverTouchAnotherFolder() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    QFETCH(QString, name);
    owner.workspace = ws.CreateDir(QStringLiteral("ws"));
    ws.CreateFile(QStringLiteral("ws/C/P/version 1/work.txt"), "work");
    ws.CreateFile(QStringLiteral("outside.txt"), "outside");
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    auto* projects = static_cast<TProjects*>(client->VersionCollection());
    TVersionItem* project = Add(projects, QStringLiteral("P"));
    TVersionItem* damagedProject = Add(projects, name);
    TVersionItem* damagedVersion = Add(project->VersionCollection(), name);
    TVersionItem* damagedClient = Add(&clients, name);
    TVersionItem* below = Add(damagedClient->VersionCollection(), QStringLiteral("P"));

    user.QueueConfirm(true);
    user.QueueName(QStringLiteral("Renamed"));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, projects->RemoveItem(damagedProject));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, clients.RemoveItem(damagedClient));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, damagedProject->Rename());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, damagedVersion->WriteData());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, below->WriteData());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, below->Rename());
    // Nothing was asked and nothing moved.
    QVERIFY(user.shown.isEmpty());
    QCOMPARE(ws.ReadFile(QStringLiteral("ws/C/P/version 1/work.txt")), QByteArray("work"));
    QCOMPARE(ws.ReadFile(QStringLiteral("outside.txt")), QByteArray("outside"));
    QCOMPARE(QDir(ws.Path() + QStringLiteral("ws/C/P"))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"version 1"});
    QCOMPARE(clients.Count(), 2);
}

void TestCatalogue::linkedFoldersAreLeftAlone() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    owner.workspace = ws.CreateDir(QStringLiteral("ws"));
    ws.CreateFile(QStringLiteral("outside/work.txt"), "outside");
    ws.CreateDir(QStringLiteral("ws/C/P"));
    QFile::link(ws.Path() + QStringLiteral("outside"),
                ws.Path() + QStringLiteral("ws/C/P/Version 2"));
    TVersionItem* client = Add(&clients, QStringLiteral("C"));
    TVersionItem* project = Add(client->VersionCollection(), QStringLiteral("P"));
    TVersionItem* linked = Add(project->VersionCollection(), QStringLiteral("Version 2"));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, linked->WriteData());
    QCOMPARE(QDir(ws.Path() + QStringLiteral("outside")).entryList(QDir::Files),
             QStringList{"work.txt"});
    project->WriteData(); // a real folder is fine
}

void TestCatalogue::readFromRoot() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    owner.workspace = ws.CreateDir(QStringLiteral("ws"));
    for (const char* dir :
         {"Acme/Harbour/version 1", "Acme/Harbour/Version 2", "Acme/Harbour/Old",
          "Acme/Harbour/.hidden", "Acme/Harbour/.quorvel-partial-x1", "Acme/Harbour/say \"hi\"",
          "Acme/Harbour/a<b", "Acme/Harbour/two\nlines"})
        ws.CreateDir(QStringLiteral("ws/") + QString::fromLatin1(dir));
    ws.CreateFile(QStringLiteral("ws/QuorvelConfig.xml"), "x");
    ws.CreateFile(QStringLiteral("ws/notes.txt"), "x");
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/version 1/work.txt"), "x");
    ws.CreateDir(QStringLiteral("elsewhere/Inside"));
    QFile::link(ws.Path() + QStringLiteral("elsewhere"), ws.Path() + QStringLiteral("ws/Linked"));

    int named = 0;
    clients.SetOnChanged([&](TVersionCollection*, TVersionItem*, ChangeKind kind) {
        named += kind == ChangeKind::ItemdEdited;
    });
    clients.ReadFromRoot(owner.workspace);
    QCOMPARE(clients.Count(), 1);
    TVersionItem* project = clients.GetItems(0)->VersionCollection()->GetItems(0);
    QCOMPARE(project->Name(), QStringLiteral("Harbour"));
    QStringList versions;
    for (int i = 0; i < project->VersionCollection()->Count(); ++i)
        versions << project->VersionCollection()->GetItems(i)->Name();
    versions.sort();
    QCOMPARE(versions, (QStringList{".hidden", "Old", "Version 2", "version 1"}));
    QCOMPARE(named, 6);
    QCOMPARE(tree.Outline(), (QStringList{"Acme", "  Harbour"}));

    TClients empty(&owner);
    empty.ReadFromRoot(ws.CreateDir(QStringLiteral("empty")));
    QCOMPARE(empty.Count(), 0);
}

void TestCatalogue::readFromRootOfMissingFolderRaises() {
    CatalogueFixture fixture;
    auto& [ws, user, tree, owner, clients] = fixture;
    QVERIFY_THROWS_EXCEPTION(QuorvelError,
                             clients.ReadFromRoot(ws.Path() + QStringLiteral("missing/")));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, clients.ReadFromRoot(QString()));
    QCOMPARE(clients.Count(), 0);
}

QUORVEL_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
