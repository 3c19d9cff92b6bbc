// The workspace overview's core: the checked-out versions and comparing
// two versions (file list, unified text diff, text detection, cancel).
#include "catalogue/TClients.h"
#include "platform/DateTimeText.h"
#include "platform/ProgramPaths.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/CheckedOutVersions.h"
#include "versioning/FolderDiff.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/UnifiedDiff.h"
#include "workspace/TProjectManager.h"

#include <QtTest>

namespace {

QByteArray DataFile(bool checkedOut, const QString& parent, const QString& owner,
                    const QString& when) {
    return QStringLiteral("<Version state=\"%1\" parent=\"%2\" >\r<Editor>\r</Editor>\r"
                          "    <Date_time>\r        %3\r    </Date_time>\r"
                          "    <Owner>\r        %4\r    </Owner>\r"
                          "    <Description>\r        \r    </Description>\r</Version>\r\n")
        .arg(checkedOut ? QStringLiteral("checked out") : QStringLiteral("checked in"), parent,
             when, owner)
        .toUtf8();
}

// The catalogue file of versions given as client/project/version, in
// that order (a rebuild would take the folders' order).
QByteArray Catalogue(const QStringList& paths) {
    QMap<QString, QMap<QString, QStringList>> tree;
    QStringList clients;
    QMap<QString, QStringList> projects;
    for (const QString& path : paths) {
        const QStringList names = path.split(u'/');
        if (!clients.contains(names[0]))
            clients << names[0];
        if (!projects[names[0]].contains(names[1]))
            projects[names[0]] << names[1];
        tree[names[0]][names[1]] << names[2];
    }
    QString out = QStringLiteral("<Clients count=\"%1\" >\r").arg(clients.size());
    for (const QString& client : clients) {
        out += QStringLiteral("<Client name=\"%1\">\r\r<Projects count=\"%2\" >\r")
                   .arg(client)
                   .arg(projects[client].size());
        for (const QString& project : projects[client]) {
            const QStringList versions = tree[client][project];
            out += QStringLiteral("<Project name=\"%1\">\r\r<Versions count=\"%2\" >\r")
                       .arg(project)
                       .arg(versions.size());
            for (const QString& version : versions)
                out += QStringLiteral("<Version name=\"%1\">\r\r</Version>\r").arg(version);
            out += QStringLiteral("</Versions>\r</Project>\r");
        }
        out += QStringLiteral("</Projects>\r</Client>\r");
    }
    out += QStringLiteral("</Clients>\r\n");
    return out.toUtf8();
}

QString At(int daysBack, int hour) {
    const QDateTime when(QDate::currentDate().addDays(-daysBack), QTime(hour, 0, 5));
    return CheckInDateTime(when, QLocale::system());
}

} // namespace

class TestOverview : public QObject {
    Q_OBJECT

private slots:
    void checkedOutContentsAndOrder();
    void parseTime_data();
    void parseTime();
    void compareProgressAndCancel_data();
    void compareProgressAndCancel();
    void unifiedDiff_data();
    void unifiedDiff();
    void isText_data();
    void isText();
};

void TestOverview::checkedOutContentsAndOrder() {
    TestWorkspace ws;
    ScriptedUser user;
    ProgramPaths::SetProgramFolderForTesting(ws.CreateDir(QStringLiteral("program")));
    struct Version {
        const char* path;
        bool out;
        QString when;
    };
    const Version versions[] = {
        {"Borealis/Ship/Version 3", false, At(1, 9)},
        {"Borealis/Ship/version 1", true, At(12, 8)},
        {"Borealis/Ship/Version 2", true, At(3, 9)},
        {"Acme/Pump/version 1", true, QStringLiteral("not a date")},
        {"Acme/Crane/version 1", false, At(40, 9)},
        {"Acme/Crane/Version 2", true, At(3, 10)},
        {"Cirrus/Kite/version 1", true, At(0, 0)},
    };
    QStringList paths;
    for (const Version& v : versions)
        paths << QString::fromLatin1(v.path);
    ws.CreateFile(QStringLiteral("w/QuorvelConfig.xml"), Catalogue(paths));
    for (const Version& v : versions)
        ws.CreateFile(
            QStringLiteral("w/%1/QuorvelConfig.xml").arg(QLatin1String(v.path)),
            DataFile(v.out, QStringLiteral("version 1"), QStringLiteral("marta"), v.when));
    QuorvelRuntime runtime(user, TQuorvelConfig::Access::ReadOnly);
    ProjectMngr->SetWorkSpace(ws.Path() + QStringLiteral("w/"));

    CheckedOutVersions checkedOut;
    QList<QPair<int, int>> reports;
    QVERIFY(checkedOut.Gather(ProjectMngr->Clients(), [&](int done, int total) {
        reports << qMakePair(done, total);
        return true;
    }));
    QCOMPARE(reports, (QList<QPair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    QVERIFY(user.shown.isEmpty());
    auto names = [](const std::vector<CheckedOutVersions::Entry>& entries) {
        QStringList out;
        for (const auto& e : entries)
            out << QStringList{e.client, e.project, e.version, e.parentVersion, e.owner}.join(u'/');
        return out;
    };
    // Catalogue order, as the command-line status prints it.
    QCOMPARE(names(checkedOut.Entries()), (QStringList{"Borealis/Ship/version 1/version 1/marta",
                                                       "Borealis/Ship/Version 2/version 1/marta",
                                                       "Acme/Pump/version 1/version 1/marta",
                                                       "Acme/Crane/Version 2/version 1/marta",
                                                       "Cirrus/Kite/version 1/version 1/marta"}));
    QCOMPARE(checkedOut.Entries()[0].checkedOut, At(12, 8));
    // Oldest first; the time that cannot be read last, its text kept.
    const std::vector<CheckedOutVersions::Entry> sorted = checkedOut.OldestFirst(QLocale::system());
    QCOMPARE(names(sorted), (QStringList{"Borealis/Ship/version 1/version 1/marta",
                                         "Borealis/Ship/Version 2/version 1/marta",
                                         "Acme/Crane/Version 2/version 1/marta",
                                         "Cirrus/Kite/version 1/version 1/marta",
                                         "Acme/Pump/version 1/version 1/marta"}));
    QCOMPARE(sorted.back().checkedOut, QStringLiteral("not a date"));

    // A report that says stop ends the walk there.
    int calls = 0;
    QVERIFY(!checkedOut.Gather(ProjectMngr->Clients(), [&](int, int) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    QCOMPARE(names(checkedOut.Entries()), (QStringList{"Borealis/Ship/version 1/version 1/marta",
                                                       "Borealis/Ship/Version 2/version 1/marta",
                                                       "Acme/Pump/version 1/version 1/marta"}));
    ProgramPaths::SetProgramFolderForTesting(QString());
}

void TestOverview::parseTime_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    const QDateTime afternoon(QDate(2024, 3, 7), QTime(15, 4, 9));
    const QDateTime midnight(QDate(2023, 12, 31), QTime(0, 0));
    for (const char* name : {"en_US", "en_GB", "de_DE", "nl_NL", "fr_FR", "ja_JP", "C"}) {
        QTest::addRow("%s afternoon", name) << QString::fromLatin1(name) << afternoon;
        QTest::addRow("%s midnight", name) << QString::fromLatin1(name) << midnight;
    }
}

// What CheckInDateTime wrote reads back as the same time, in every locale.
void TestOverview::parseTime() {
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    const QLocale system(locale);
    const QString text = CheckInDateTime(when, system);
    QCOMPARE(CheckedOutVersions::ParseTime(text, system), std::optional<QDateTime>(when));
    QCOMPARE(
        CheckedOutVersions::ParseTime(QStringLiteral("  ") + text + QStringLiteral(" "), system),
        std::optional<QDateTime>(when));
    QVERIFY(!CheckedOutVersions::ParseTime(QStringLiteral("yesterday"), system));
    QVERIFY(!CheckedOutVersions::ParseTime(QString(), system));
    // Days by the calendar: a check-out late yesterday is a day old.
    QCOMPARE(CheckedOutVersions::DaysAgo(when, QDateTime(when.date().addDays(3), QTime(0, 0, 1))),
             qint64(3));
    QCOMPARE(CheckedOutVersions::DaysAgo(when, when.addSecs(60)), qint64(0));
}

void TestOverview::compareProgressAndCancel_data() {
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<QStringList>("differences");
    QTest::newRow("runs to the end")
        << -1 << QStringList{"D a.txt", "M b.txt", "A c.txt", "M sub/d.bin"};
    QTest::newRow("cancelled at the first file") << 0 << QStringList{"D a.txt"};
    QTest::newRow("cancelled at the last file")
        << 2 << QStringList{"D a.txt", "M b.txt", "A c.txt"};
}

void TestOverview::compareProgressAndCancel() {
    QFETCH(int, stopAt);
    QFETCH(QStringList, differences);
    TestWorkspace ws;
    ws.CreateFile(QStringLiteral("one/a.txt"), "a");
    ws.CreateFile(QStringLiteral("one/b.txt"), "b\n");
    ws.CreateFile(QStringLiteral("two/b.txt"), "B\n");
    ws.CreateFile(QStringLiteral("two/c.txt"), "c");
    ws.CreateFile(QStringLiteral("one/same.txt"), "same");
    ws.CreateFile(QStringLiteral("two/same.txt"), "same");
    ws.CreateFile(QStringLiteral("one/sub/d.bin"), QByteArray("\0\1", 2));
    ws.CreateFile(QStringLiteral("two/sub/d.bin"), QByteArray("\0\2", 2));
    FolderDiff diff;
    QStringList seen;
    diff.SetProgress([&](const QByteArray& path, int done, int total) {
        seen << QStringLiteral("%1 %2/%3").arg(QString::fromUtf8(path)).arg(done).arg(total);
        return done != stopAt;
    });
    const bool whole =
        diff.Compare(ws.Path() + QStringLiteral("one"), ws.Path() + QStringLiteral("two"));
    QCOMPARE(whole, stopAt < 0);
    QCOMPARE(diff.Cancelled(), stopAt >= 0);
    QStringList found;
    for (const FolderDiff::Difference& d : diff.Differences())
        found << QString(QChar(char(d.kind))) + u' ' + QString::fromUtf8(d.path);
    QCOMPARE(found, differences);
    const QStringList all{"b.txt 0/3", "same.txt 1/3", "sub/d.bin 2/3"};
    QCOMPARE(seen, all.mid(0, stopAt < 0 ? 3 : stopAt + 1));
}

void TestOverview::unifiedDiff_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("maxEdits");
    QTest::addColumn<QString>("diff");
    const QString ten = QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n");
    const QString head = QStringLiteral("--- a\n+++ b\n");
    QTest::newRow("same") << ten << ten << 100 << QString();
    QTest::newRow("same but line ends")
        << ten << QString(ten).replace(u'\n', "\r\n") << 100 << QString();
    QTest::newRow("one line changed, three of context")
        << ten << QString(ten).replace(QStringLiteral("5\n"), QStringLiteral("five\n")) << 100
        << head + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n";
    QTest::newRow("added at the end") << ten << ten + QStringLiteral("11\n") << 100
                                      << head + "@@ -8,3 +8,4 @@\n 8\n 9\n 10\n+11\n";
    QTest::newRow("removed at the start")
        << ten << ten.mid(2) << 100 << head + "@@ -1,4 +1,3 @@\n-1\n 2\n 3\n 4\n";
    QTest::newRow("far apart: two hunks")
        << ten << QStringLiteral("one\n2\n3\n4\n5\n6\n7\n8\n9\nten\n") << 100
        << head + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+ten\n";
    QTest::newRow("near: one hunk")
        << ten << QStringLiteral("1\n2\nthree\n4\n5\n6\n7\n8\nnine\n10\n") << 100
        << head + "@@ -1,10 +1,10 @@\n 1\n 2\n-3\n+three\n 4\n 5\n 6\n 7\n 8\n-9\n+nine\n 10\n";
    QTest::newRow("from nothing") << QString() << QStringLiteral("x\ny\n") << 100
                                  << head + "@@ -0,0 +1,2 @@\n+x\n+y\n";
    QTest::newRow("to nothing") << QStringLiteral("x\n") << QString() << 100
                                << head + "@@ -1 +0,0 @@\n-x\n";
    QTest::newRow("too many edits")
        << ten << QStringLiteral("a\nb\nc\n") << 5 << QStringLiteral("(none)");
}

void TestOverview::unifiedDiff() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, maxEdits);
    QFETCH(QString, diff);
    const std::optional<QString> made =
        UnifiedDiff::Of(before, after, QStringLiteral("a"), QStringLiteral("b"), maxEdits);
    QCOMPARE(made.value_or(QStringLiteral("(none)")), diff);
}

void TestOverview::isText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("text");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("ASCII") << QByteArray("plain\r\ntext\n") << true;
    QTest::newRow("UTF-8") << QByteArray("na\xc3\xafve \xe2\x82\xac \xf0\x9f\x98\x80") << true;
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << false;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
    QTest::newRow("NUL at the start") << QByteArray("\0abc", 4) << false;
    QTest::newRow("NUL within 8 KiB") << QByteArray(8191, 'a') + QByteArray(1, '\0') << false;
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9") << false;
    QTest::newRow("cut UTF-8 after 8 KiB")
        << QByteArray(9000, 'a') + QByteArray("\xe2\x82") << false;
}

void TestOverview::isText() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, text);
    QCOMPARE(UnifiedDiff::IsText(bytes), text);
}

QUORVEL_TEST_MAIN(TestOverview)
#include "tst_overview.moc"
