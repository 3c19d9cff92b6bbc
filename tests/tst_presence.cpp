// Runs that know of each other: the clean-end mark of a settings file that
// several runs share.
#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "workspace/TQuorvelConfig.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>
#include <cstdio>
#include <map>
#include <memory>

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

// A run in a process of its own, told by its parent's arguments; it says
// "ready" once it is there and stays until it is killed.
int main(int argc, char** argv) {
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == kChild) {
        QCoreApplication app(argc, argv);
        const QString folder = QString::fromLocal8Bit(argv[3]);
        ProgramPaths::SetProgramFolderForTesting(folder);
        const TQuorvelConfig config;
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
