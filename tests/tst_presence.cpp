// Runs that know of each other: the clean-end mark of a settings file that
// several runs share, and who else has a workspace open.
#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "platform/UserName.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "workspace/TQuorvelConfig.h"
#include "workspace/WorkspacePresence.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QtTest>
#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

const QString kChild = QStringLiteral("--child");

// Starts another run in a process of its own (see main), to be killed.
bool StartChild(QProcess& child, const QString& what, const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A kill is what is tested here; the sanitizer must not take it for a fault.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {kChild, what, folder});
    return child.waitForReadyRead(60000);
}

} // namespace

class TestPresence : public QObject {
    Q_OBJECT

private slots:
    void cleanEndMark_data();
    void cleanEndMark();
    void presence_data();
    void presence();
    void noPresenceWhereNoFileCanBe();
};

// Steps: a letter starts a run (k: one in a process of its own), the same
// letter in capitals ends it (K: kills the process); a digit after a start
// is the ShutDownCorrect it must read, "=0" / "=1" the mark in the file.
void TestPresence::cleanEndMark_data() {
    QTest::addColumn<QString>("steps");
    QTest::newRow("alone") << "a1 =0 A =1 b1";
    QTest::newRow("second while the first runs") << "a1 b1 =0 A =0 B =1 c1";
    QTest::newRow("second ends first") << "a1 b1 B =0 A =1 c1";
    QTest::newRow("killed run") << "k =0 K a0 A =1 b1";
    QTest::newRow("started beside a run later killed") << "k a1 A =0 K b0";
}

void TestPresence::cleanEndMark() {
    QFETCH(QString, steps);
    TestWorkspace ws;
    ScriptedUser user;
    ProgramPaths::SetProgramFolderForTesting(ws.Path());
    const auto restore = qScopeGuard([] { ProgramPaths::SetProgramFolderForTesting(QString()); });
    QProcess child;
    std::map<QChar, std::unique_ptr<TQuorvelConfig>> configs;
    for (const QString& step : steps.split(u' ')) {
        const QChar run = step[0];
        if (step == QLatin1String("k")) {
            QVERIFY(StartChild(child, QStringLiteral("settings"), ws.Path()));
        } else if (step == QLatin1String("K")) {
            child.kill();
            QVERIFY(child.waitForFinished(60000));
        } else if (run == u'=') {
            QCOMPARE(ProfileFile(ProgramPaths::SettingsFile())
                         .ReadBool(QStringLiteral("Project"), QStringLiteral("ShutDown"), true),
                     step[1] == u'1');
        } else if (run.isLower()) {
            configs[run] = std::make_unique<TQuorvelConfig>();
            QVERIFY2(configs[run]->ShutDownCorrect() == (step[1] == u'1'), qPrintable(step));
        } else {
            configs.erase(run.toLower());
        }
    }
    QVERIFY(user.shown.isEmpty());
}

// Steps as above; "a:2": the number of others a sees, "#3": the slots in
// the file.
void TestPresence::presence_data() {
    QTest::addColumn<int>("staleSlots");
    QTest::addColumn<QString>("steps");
    QTest::newRow("two see each other") << 0 << "a b a:1 b:1";
    QTest::newRow("one that leaves is gone") << 0 << "a b c A b:1 c:1";
    QTest::newRow("a killed one is gone") << 0 << "a k a:1 K a:0";
    QTest::newRow("stale lines are not listed") << 3 << "a b a:1 b:1 #3";
    QTest::newRow("slots are taken again") << 0 << "a b A c B d c:1 #2";
}

void TestPresence::presence() {
    QFETCH(int, staleSlots);
    QFETCH(QString, steps);
    TestWorkspace ws;
    const QString file = WorkspacePresence::FileName();
    QByteArray stale = "ghost\tgone\t2020-01-02T03:04:05Z\t1";
    stale = stale.leftJustified(WorkspacePresence::SlotSize - 1, ' ') + '\n';
    ws.CreateFile(file, stale.repeated(staleSlots));
    QProcess child;
    std::map<QChar, std::unique_ptr<WorkspacePresence>> presences;
    for (const QString& step : steps.split(u' ')) {
        const QChar run = step[0];
        if (step == QLatin1String("k")) {
            QVERIFY(StartChild(child, QStringLiteral("presence"), ws.Path()));
        } else if (step == QLatin1String("K")) {
            child.kill();
            QVERIFY(child.waitForFinished(60000));
        } else if (run == u'#') {
            QCOMPARE(ws.ReadFile(file).size(), step.mid(1).toInt() * WorkspacePresence::SlotSize);
        } else if (step.size() > 1) {
            const QList<WorkspacePresence::Other> others = presences[run]->Others();
            QCOMPARE(others.size(), step.mid(2).toInt());
            for (const WorkspacePresence::Other& other : others) {
                QCOMPARE(other.user, GetUserFromWindows());
                QCOMPARE(other.machine, QSysInfo::machineHostName());
                QVERIFY(other.pid == ::getpid() || other.pid == child.processId());
                QVERIFY(other.since.isValid());
            }
        } else if (run.isLower()) {
            presences[run] = std::make_unique<WorkspacePresence>();
            QVERIFY(presences[run]->SetWorkspace(ws.Path()));
        } else {
            presences.erase(run.toLower());
        }
    }
}

void TestPresence::noPresenceWhereNoFileCanBe() {
    TestWorkspace ws;
    ws.CreateDir(WorkspacePresence::FileName());
    WorkspacePresence presence;
    QVERIFY(!presence.SetWorkspace(ws.Path()));
    QVERIFY(presence.Others().isEmpty());
}

// A run in a process of its own, told by its parent's arguments; it says
// "ready" once it is there and stays until it is killed.
int main(int argc, char** argv) {
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == kChild) {
        QCoreApplication app(argc, argv);
        const QString folder = QString::fromLocal8Bit(argv[3]);
        ProgramPaths::SetProgramFolderForTesting(folder);
        std::unique_ptr<TQuorvelConfig> config;
        WorkspacePresence presence;
        if (QString::fromLocal8Bit(argv[2]) == QLatin1String("settings"))
            config = std::make_unique<TQuorvelConfig>();
        else if (!presence.SetWorkspace(folder))
            return 1;
        std::puts("ready");
        std::fflush(stdout);
        // Ends only with its parent, and then not as a clean end.
        while (std::getchar() != EOF) {
        }
        ::_exit(2);
    }
    IsolateFromUserFiles();
    QCoreApplication app(argc, argv);
    TestPresence test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_presence.moc"
