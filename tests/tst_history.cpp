// A project's history (order and contents, as the data files have them)
// and the search through the check-ins, in one project and the workspace.
#include "catalogue/TClients.h"
#include "platform/CheckInTimeParser.h"
#include "platform/DateTimeText.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/CheckInSearch.h"
#include "versioning/ProjectHistory.h"
#include "versioning/QuorvelRuntime.h"
#include "workspace/TProjectManager.h"

#include <QtTest>

#include <memory>

#include <unistd.h>

using Row = ProjectHistory::Row;

namespace {

const QDateTime Start(QDate(2026, 3, 1), QTime(9, 0, 5));

// "name|state|owner|hours|description": state in, out, none (no data
// file), nover (a data file without a version record) or unreadable (the
// data file cannot be read); hours after Start, "bad" for a date that
// cannot be read, empty for none. "\n" in the description is a line break.
QByteArray DataFile(const QStringList& fields) {
    const QString when =
        fields[3] == QLatin1String("bad") ? QStringLiteral("some day")
        : fields[3].isEmpty()
            ? QString()
            : CheckInDateTime(Start.addSecs(fields[3].toInt() * 3600), QLocale::system());
    if (fields[1] == QLatin1String("nover"))
        return "<Other>\r</Other>\r\n";
    return QStringLiteral("<Version state=\"%1\" parent=\"version 1\" >\r<Editor>\r</Editor>\r"
                          "    <Date_time>\r        %2\r    </Date_time>\r"
                          "    <Owner>\r        %3\r    </Owner>\r"
                          "    <Description>\r        %4\r    </Description>\r</Version>\r\n")
        .arg(fields[1] == QLatin1String("out") ? QStringLiteral("checked out")
                                               : QStringLiteral("checked in"),
             when, fields[2],
             QString(fields[4]).replace(QLatin1String("\\n"), QLatin1String("\r\n")))
        .toUtf8();
}

// Makes client/project/version folders for "client/project/fields" lines.
void MakeVersions(const TestWorkspace& ws, const QStringList& lines) {
    for (const QString& line : lines) {
        const QStringList parts = line.split(u'/');
        const QStringList fields = parts[2].split(u'|');
        const QString folder = QStringLiteral("w/%1/%2/%3/").arg(parts[0], parts[1], fields[0]);
        ws.CreateDir(folder);
        // A link to itself: there, but it cannot be opened.
        if (fields[1] == QLatin1String("unreadable"))
            QVERIFY(::symlink("QuorvelConfig.xml",
                              QFile::encodeName(ws.Path() + folder + "QuorvelConfig.xml")) == 0);
        else if (fields[1] != QLatin1String("none"))
            ws.CreateFile(folder + QStringLiteral("QuorvelConfig.xml"), DataFile(fields));
    }
}

QString Describe(const Row& row) {
    static const char* const records[] = {"Read", "None", "Unreadable"};
    return QStringList{row.version, row.state == vsCheckedOut ? "out" : "in", row.owner,
                       QLatin1String(records[int(row.record)]), row.FirstLine()}
        .join(u'|');
}

QStringList Names(const std::vector<Row>& rows, bool withProject = false) {
    QStringList names;
    for (const Row& row : rows)
        names << (withProject ? row.client + u'/' + row.project + u'/' : QString()) + row.version;
    return names;
}

Row MakeRow(const QString& version, const QString& owner, const QString& description,
            std::optional<int> hours) {
    Row row;
    row.version = version;
    row.owner = owner;
    row.description = description;
    if (hours)
        row.when = Start.addSecs(*hours * 3600);
    return row;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void historyOrderAndContents_data();
    void historyOrderAndContents();
    void timesInEveryLocale_data();
    void timesInEveryLocale();
    void searchMatches_data();
    void searchMatches();
    void workspaceSearch_data();
    void workspaceSearch();
    void workspaceSearchOutlivesChangesDuringReports();

private:
    void Open(const QStringList& lines);

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<ScriptedUser> user_;
    std::unique_ptr<QuorvelRuntime> runtime_;
};

void TestHistory::init() {
    ws_ = std::make_unique<TestWorkspace>();
    user_ = std::make_unique<ScriptedUser>();
    ProgramPaths::SetProgramFolderForTesting(ws_->CreateDir(QStringLiteral("program")));
}

void TestHistory::cleanup() {
    runtime_.reset();
    user_.reset();
    ws_.reset();
}

void TestHistory::Open(const QStringList& lines) {
    MakeVersions(*ws_, lines);
    runtime_ = std::make_unique<QuorvelRuntime>(*user_, TQuorvelConfig::Access::ReadOnly);
    // No catalogue file: the folders are read, as a rebuild reads them.
    ProjectMngr->SetWorkSpace(ws_->Path() + QStringLiteral("w/"));
}

void TestHistory::historyOrderAndContents_data() {
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("unreadable");

    QTest::newRow("newest first by date, not by number")
        << QStringList{"version 1|in|anna|0|first", "Version 2|in|bert|30|second",
                       "Version 3|in|carla|5|third"}
        << QStringList{"Version 2|in|bert|Read|second", "Version 3|in|carla|Read|third",
                       "version 1|in|anna|Read|first"}
        << QStringList();
    QTest::newRow("the same time: the higher number first")
        << QStringList{"Version 2|in|anna|7|a", "Version 10|in|anna|7|b", "Version 3|in|anna|7|c"}
        << QStringList{"Version 10|in|anna|Read|b", "Version 3|in|anna|Read|c",
                       "Version 2|in|anna|Read|a"}
        << QStringList();
    QTest::newRow("checked out: the check-out's record, first line of a description")
        << QStringList{"version 1|in|anna|0|Quay wall\\nCrane moved", "Version 2|out|bert|9|"}
        << QStringList{"Version 2|out|bert|Read|", "version 1|in|anna|Read|Quay wall"}
        << QStringList();
    // Undated rows stand before the first dated row of a lower number.
    QTest::newRow("no data file, no record, a date that cannot be read: by number")
        << QStringList{"version 1|none|||",
                       "Version 2|in|anna|10|early",
                       "Version 3|in|bert|20|middle",
                       "Version 4|nover|||",
                       "Version 5|in|carla|bad|undated",
                       "Version 6|in|dmitri|50|late"}
        << QStringList{"Version 6|in|dmitri|Read|late", "Version 5|in|carla|Read|undated",
                       "Version 4|in||None|",           "Version 3|in|bert|Read|middle",
                       "Version 2|in|anna|Read|early",  "version 1|in||None|"}
        << QStringList();
    QTest::newRow("a data file that cannot be read: told, its row kept")
        << QStringList{"version 1|in|anna|0|one", "Version 2|unreadable|||",
                       "Version 3|in|bert|1|three"}
        << QStringList{"Version 3|in|bert|Read|three", "Version 2|in||Unreadable|",
                       "version 1|in|anna|Read|one"}
        << QStringList{"Acme/Pump/Version 2"};
}

void TestHistory::historyOrderAndContents() {
    QFETCH(QStringList, versions);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, unreadable);
    QStringList lines;
    for (const QString& fields : versions)
        lines << QStringLiteral("Acme/Pump/") + fields;
    Open(lines);
    const TVersionItem* project =
        ProjectMngr->Clients()->GetItems(0)->VersionCollection()->GetItems(0);

    ProjectHistory history;
    QStringList told;
    QList<QPair<int, int>> reports;
    QVERIFY(history.Read(
        project, QLocale::system(),
        [&](int done, int total) {
            reports << qMakePair(done, total);
            return true;
        },
        [&](const Row& row, const QString& reason) {
            QVERIFY(!reason.isEmpty());
            told << QStringList{row.client, row.project, row.version}.join(u'/');
        }));
    QStringList rows;
    for (const Row& row : history.Rows())
        rows << Describe(row);
    QCOMPARE(rows, expected);
    QCOMPARE(told, unreadable);
    QCOMPARE(reports.size(), versions.size());
    QCOMPARE(reports.last(), qMakePair(int(versions.size()), int(versions.size())));
    for (const Row& row : history.Rows()) {
        QCOMPARE(row.client, QStringLiteral("Acme"));
        QCOMPARE(row.project, QStringLiteral("Pump"));
        // The time's text as written, and what it says where it can be read.
        QCOMPARE(row.when.has_value(),
                 !row.dateTime.isEmpty() && row.dateTime != QLatin1String("some day"));
        if (row.record == ProjectHistory::Record::Read && row.version != QLatin1String("version 1"))
            QCOMPARE(row.parent, QStringLiteral("version 1"));
    }
    if (!unreadable.isEmpty())
        QVERIFY_THROWS_EXCEPTION(QuorvelError, ProjectHistory().Read(project));
    // Stopped: no rows, not the rows so far.
    QVERIFY(!history.Read(
        project, QLocale::system(), [](int done, int) { return done < 2; },
        [](const Row&, const QString&) {}));
    QVERIFY(history.Rows().empty());
}

void TestHistory::timesInEveryLocale_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::newRow("afternoon") << QDateTime(QDate(2024, 3, 7), QTime(15, 4, 9));
    QTest::newRow("midnight: the date alone") << QDateTime(QDate(2023, 12, 31), QTime(0, 0));
    QTest::newRow("half past midnight") << QDateTime(QDate(2031, 1, 2), QTime(0, 30, 1));
    QTest::newRow("noon") << QDateTime(QDate(2026, 11, 30), QTime(12, 0, 59));
}

// What CheckInDateTime writes reads back as the same time in every locale,
// as QLocale itself reads it.
void TestHistory::timesInEveryLocale() {
    QFETCH(QDateTime, when);
    QStringList wrong;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        const QString text = CheckInDateTime(when, locale);
        const CheckInTimeParser parser(locale);
        if (parser.Parse(QStringLiteral(" ") + text + QStringLiteral(" ")) != when)
            wrong << locale.name() + QStringLiteral(": ") + text;
        if (parser.Parse(QStringLiteral("x") + text))
            wrong << locale.name() + QStringLiteral(" takes more than it wrote: ") + text;
    }
    QCOMPARE(wrong, QStringList());
}

void TestHistory::searchMatches_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("since");
    QTest::addColumn<QStringList>("expected");

    const QDate none;
    QTest::newRow("description, any case") << "CRANE" << none << QStringList{"Version 2"};
    QTest::newRow("a later line of the description") << "quay" << none << QStringList{"Version 3"};
    QTest::newRow("owner") << "Anna" << none << QStringList{"version 1", "Version 3"};
    QTest::newRow("version name") << "version 1" << none << QStringList{"version 1", "Version 10"};
    QTest::newRow("letters beyond ASCII, any case")
        << QStringLiteral("ÄRGER") << none << QStringList{"Version 10"};
    QTest::newRow("nothing") << "pump" << none << QStringList();
    QTest::newRow("an empty text: everything")
        << "" << none << QStringList{"version 1", "Version 2", "Version 3", "Version 10"};
    QTest::newRow("since a day: that day and later, never an undated row")
        << "" << Start.addSecs(48 * 3600).date() << QStringList{"Version 3"};
    QTest::newRow("since and a text")
        << "anna" << Start.addSecs(48 * 3600).date() << QStringList{"Version 3"};
    QTest::newRow("since long ago: every dated row")
        << "" << QDate(1900, 1, 1) << QStringList{"version 1", "Version 2", "Version 3"};
}

void TestHistory::searchMatches() {
    QFETCH(QString, text);
    QFETCH(QDate, since);
    QFETCH(QStringList, expected);
    const std::vector<Row> rows{
        MakeRow(QStringLiteral("version 1"), QStringLiteral("anna"), QStringLiteral("start"), 0),
        MakeRow(QStringLiteral("Version 2"), QStringLiteral("bert"), QStringLiteral("Crane added"),
                24),
        MakeRow(QStringLiteral("Version 3"), QStringLiteral("joanna"),
                QStringLiteral("Moved\r\nthe quay wall"), 48),
        MakeRow(QStringLiteral("Version 10"), QStringLiteral("carla"), QStringLiteral("viel ärger"),
                std::nullopt),
    };
    const CheckInSearch search(text, since.isValid() ? std::optional<QDate>(since) : std::nullopt);
    QCOMPARE(Names(search.Filter(rows)), expected);
}

void TestHistory::workspaceSearch_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("newest first across projects")
        << "crane"
        << QStringList{"Berg/Hut/Version 3", "Acme/Pump/Version 2", "Acme/Dock/version 1",
                       "Acme/Pump/version 1"};
    // Version 4 of Hut has no date: by its number it comes before
    // Version 3 in its project's history, and so it does here.
    QTest::newRow("an undated row keeps its place in its project's history")
        << "bert"
        << QStringList{"Berg/Hut/Version 4", "Berg/Hut/Version 3", "Acme/Pump/Version 2",
                       "Berg/Hut/Version 2"};
    QTest::newRow("undated rows at the top of a project take the time below them")
        << "carla" << QStringList{"Berg/Hut/Version 5", "Acme/Dock/Version 2"};
    // The row of a data file that cannot be read is found by its name.
    QTest::newRow("the name, with client and project")
        << "VERSION 1"
        << QStringList{"Acme/Dock/version 1", "Berg/Hut/version 1", "Acme/Pump/version 1"};
    QTest::newRow("nothing") << "harbour" << QStringList();
}

void TestHistory::workspaceSearch() {
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    Open({"Acme/Pump/version 1|in|anna|0|crane base", "Acme/Pump/Version 2|in|bert|40|crane top",
          "Acme/Dock/version 1|in|anna|20|Crane", "Acme/Dock/Version 2|in|carla|30|hull",
          "Acme/Empty/stray|none|||", "Berg/Hut/Version 2|in|bert|10|roof",
          "Berg/Hut/Version 3|in|bert|50|crane again", "Berg/Hut/Version 4|in|bert|bad|door",
          "Berg/Hut/Version 5|in|carla||window", "Berg/Hut/version 1|unreadable|||"});
    CheckInSearch search(text);
    QStringList told;
    int lastDone = 0;
    int lastTotal = 0;
    QVERIFY(search.Search(
        ProjectMngr->Clients(), QLocale::system(),
        [&](int done, int total) {
            lastDone = done;
            lastTotal = total;
            return true;
        },
        [&](const Row& row, const QString&) { told << row.version; }));
    QCOMPARE(Names(search.Results(), true), expected);
    QCOMPARE(told, QStringList{"version 1"});
    QCOMPARE(lastTotal, 10);
    QCOMPARE(lastDone, 10);
    // Stopped: no results, not those so far.
    QVERIFY(!search.Search(
        ProjectMngr->Clients(), QLocale::system(), [](int done, int) { return done < 9; },
        [](const Row&, const QString&) {}));
    QVERIFY(search.Results().empty());
}

void TestHistory::workspaceSearchOutlivesChangesDuringReports() {
    Open({"Acme/Pump/version 1|in|anna|0|crane", "Acme/Pump/Version 2|in|anna|1|crane",
          "Berg/Hut/version 1|in|anna|2|crane", "Berg/Hut/Version 2|in|anna|3|crane"});
    CheckInSearch search(QStringLiteral("crane"));
    // A report may let the window run, and with it a delete: nothing read
    // afterwards may touch what went.
    QVERIFY(search.Search(ProjectMngr->Clients(), QLocale::system(), [](int done, int) {
        if (done == 1) {
            TVersionCollection* clients = ProjectMngr->Clients();
            while (clients->Count() > 0)
                clients->DelItem(clients->GetItems(0));
        }
        return true;
    }));
    QCOMPARE(Names(search.Results(), true),
             (QStringList{"Berg/Hut/Version 2", "Berg/Hut/version 1", "Acme/Pump/Version 2",
                          "Acme/Pump/version 1"}));
}

QUORVEL_TEST_MAIN(TestHistory)
#include "tst_history.moc"
