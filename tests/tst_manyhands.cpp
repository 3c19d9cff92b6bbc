// Many hands, one workspace: two quorvel-cli processes race. The first is
// held at each of its changes to the file system in turn (N = 1, 2, ...
// until it runs to its end), the second runs meanwhile (or waits for the
// workspace lock), then the first goes on. Whatever the order, every
// command that said it was done has its effect, nothing deleted comes back,
// no checked-in version is removed, and the catalogue lists the folders.
#include "support/TestWorkspace.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

struct Command {
    const char* name;
    QStringList arguments;
};

// What each command is run as; the workspace and the import folder are
// filled in per round.
QList<Command> Commands(const QString& importFolder) {
    return {
        {"checkout", {"checkout", "Acme", "Harbour", "1"}},
        {"checkin", {"checkin", "Acme", "Harbour", "2", "-m", "first"}},
        {"checkin-checkout", {"checkin-checkout", "Acme", "Harbour", "2", "-m", "second"}},
        {"undo", {"--yes", "undo-checkout", "Acme", "Harbour", "2"}},
        {"new-client", {"new-client", "Zenith"}},
        {"rename-client", {"rename-client", "Borealis", "Nova"}},
        {"delete-client", {"--yes", "delete-client", "Borealis"}},
        {"new-project", {"new-project", "Borealis", "P9"}},
        {"rename-project", {"rename-project", "Acme", "Harbour", "Port"}},
        {"delete-project", {"--yes", "delete-project", "Acme", "Dock"}},
        {"import", {"import", "Acme", "Dock", "1", importFolder}},
        {"rebuild", {"rebuild"}},
    };
}

// Acme/Harbour: version 1 checked in, Version 2 checked out; Acme/Dock and
// Borealis/Bridge: a first version each.
void MakeWorkspace(const QString& root) {
    const auto file = [&root](const QString& relative, const QByteArray& bytes) {
        const QString path = root + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    file(QStringLiteral("Acme/Harbour/version 1/QuorvelConfig.xml"),
         VersionDataFile("checked in", ""));
    file(QStringLiteral("Acme/Harbour/version 1/plan.txt"), "plan\n");
    file(QStringLiteral("Acme/Harbour/Version 2/QuorvelConfig.xml"),
         VersionDataFile("checked out", "version 1"));
    file(QStringLiteral("Acme/Harbour/Version 2/plan.txt"), "plan, changed\n");
    file(QStringLiteral("Acme/Dock/version 1/QuorvelConfig.xml"),
         VersionDataFile("checked in", ""));
    file(QStringLiteral("Borealis/Bridge/version 1/QuorvelConfig.xml"),
         VersionDataFile("checked in", ""));
    file(QStringLiteral("QuorvelConfig.xml"),
         "<Clients count=\"2\" >\r<Client name=\"Acme\">\r\r<Projects count=\"2\" >\r<Project "
         "name=\"Harbour\">\r\r<Versions count=\"2\" >\r<Version name=\"version "
         "1\">\r\r</Version>\r<Version name=\"Version 2\">\r\r</Version>\r</Versions>\r</"
         "Project>\r<Project name=\"Dock\">\r\r<Versions count=\"1\" >\r<Version name=\"version "
         "1\">\r\r</Version>\r</Versions>\r</Project>\r</Projects>\r</Client>\r<Client "
         "name=\"Borealis\">\r\r<Projects count=\"1\" >\r<Project "
         "name=\"Bridge\">\r\r<Versions count=\"1\" >\r<Version name=\"version "
         "1\">\r\r</Version>\r</Versions>\r</Project>\r</Projects>\r</Client>\r</Clients>\r\n");
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray State(const QString& versionFolder) {
    QFile file(versionFolder + QStringLiteral("/QuorvelConfig.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return text.mid(16, text.indexOf('"', 16) - 16);
}

char ProcessState(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close > 0 && close + 2 < text.size() ? text[close + 2] : 0;
}

struct Outcome {
    bool done = false;
    QString output;
};

} // namespace

class TestManyHands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    // One row per first command, held at each of its changes, against
    // every command as the second.
    void everyOrderedPairAtEveryChange_data();
    void everyOrderedPairAtEveryChange();
    void cleanupTestCase();

private:
    // Runs first held at its change n while second runs; *held is false
    // when first had fewer changes than n (it then ran to its end first).
    void RunRound(const Command& first, const Command& second, int n, bool* held);
    void CheckAfter(const QString& root, const QMap<QString, Outcome>& outcomes,
                    const QString& round);

    QList<Command> Commands() const {
        return ::Commands(scratch_.path() + QStringLiteral("/import/"));
    }

    QString cli_ = QStringLiteral(QUORVEL_CLI);
    QTemporaryDir scratch_;
    int rounds_ = 0;
};

void TestManyHands::RunRound(const Command& first, const Command& second, int n, bool* stopped) {
    const QString root = scratch_.path() + QStringLiteral("/ws%1/").arg(n);
    QDir(root).removeRecursively();
    MakeWorkspace(root);
    const auto start = [&](QProcess& process, const Command& command, const QString& fault) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!fault.isEmpty())
            environment.insert(QStringLiteral("QUORVEL_FAULT"), fault);
        // Two thousand runs: the leak check at each end is left to the
        // other tests.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":detect_leaks=0"));
        process.setProcessEnvironment(environment);
        // A group of its own: where this test leads a session (as under
        // ctest), another child's exit while one is stopped would leave
        // their shared group orphaned, and the kernel hang it up (SIGHUP).
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        process.start(cli_, QStringList{QStringLiteral("-w"), root} + command.arguments);
        return process.waitForStarted();
    };

    QProcess held;
    QVERIFY(start(held, first, QStringLiteral("stop@%1").arg(n)));
    // Held at its change n, or ended before it got there.
    while (ProcessState(held.processId()) != 'T' && !held.waitForFinished(5)) {
    }
    *stopped = held.state() == QProcess::Running;
    QProcess other;
    start(other, second, QString());
    // The second ends, or waits for the lock that the first holds.
    while (!other.waitForFinished(5)) {
        if (other.readAllStandardError().contains("waiting for the workspace"))
            break;
    }
    if (*stopped)
        ::kill(pid_t(held.processId()), SIGCONT);
    held.waitForFinished(60000);
    other.waitForFinished(60000);

    const QString round =
        QStringLiteral("%1 held at %2, then %3").arg(first.name).arg(n).arg(second.name);
    for (QProcess* process : {&held, &other}) {
        // 1 is a refusal; anything else a crash or a sanitizer's report.
        const int code = process->exitCode();
        if (process->exitStatus() != QProcess::NormalExit || code > 1) {
            QFAIL(qPrintable(round +
                             QStringLiteral(": exit %1: %2")
                                 .arg(code)
                                 .arg(QString::fromLocal8Bit(process->readAllStandardError()))));
        }
    }
    QMap<QString, Outcome> outcomes;
    outcomes[QString::fromLatin1(first.name)] = {
        held.exitCode() == 0, QString::fromLocal8Bit(held.readAllStandardOutput())};
    Outcome& second_ = outcomes[QString::fromLatin1(second.name) +
                                (first.name == second.name ? QStringLiteral("#2") : QString())];
    second_ = {other.exitCode() == 0, QString::fromLocal8Bit(other.readAllStandardOutput())};
    CheckAfter(root, outcomes, round);
    QDir(root).removeRecursively();
}

void TestManyHands::CheckAfter(const QString& root, const QMap<QString, Outcome>& outcomes,
                               const QString& round) {
    const auto ok = [&outcomes](const char* name) {
        return outcomes.value(QString::fromLatin1(name)).done ||
               outcomes.value(QString::fromLatin1(name) + QStringLiteral("#2")).done;
    };
    const QSet<QString> folders = ItemFolders(root, true);
    const auto there = [&folders](const QString& path) { return folders.contains(path); };
    const QString why = round + QStringLiteral("\nfolders: ") +
                        QStringList(folders.begin(), folders.end()).join(u',');
    // The catalogue lists the folders, and no work folder is left.
    QVERIFY2(CatalogueItems(ReadAll(root + QStringLiteral("QuorvelConfig.xml"))) == folders,
             qPrintable(why));
    for (const QString& folder : folders)
        QVERIFY2(!folder.contains(QStringLiteral(".quorvel")), qPrintable(why));

    const QString harbour = there(QStringLiteral("Acme/Port")) ? QStringLiteral("Acme/Port")
                                                               : QStringLiteral("Acme/Harbour");
    QVERIFY2(there(harbour + QStringLiteral("/version 1")), qPrintable(why));
    QVERIFY2((there(QStringLiteral("Acme/Port"))) == (ok("rename-project")), qPrintable(why));
    QVERIFY2(!(there(QStringLiteral("Acme/Port")) && there(QStringLiteral("Acme/Harbour"))),
             qPrintable(why));

    // Each check-out made a version of its own.
    QSet<QString> made;
    for (const char* name : {"checkout", "checkout#2", "checkin-checkout", "checkin-checkout#2"}) {
        const Outcome outcome = outcomes.value(QString::fromLatin1(name));
        if (!outcome.done)
            continue;
        const QString version = outcome.output.trimmed();
        QVERIFY2(!made.contains(version), qPrintable(why));
        made.insert(version);
        QVERIFY2(there(harbour + u'/' + version), qPrintable(why));
        QVERIFY2(State(root + harbour + u'/' + version) == "checked out", qPrintable(why));
    }
    // Version 2: checked in once at most, and never thrown away then. A
    // check-out after its undo may take its number again.
    const int checkIns = int(ok("checkin")) + int(ok("checkin-checkout"));
    QVERIFY2(checkIns <= 1, qPrintable(why));
    QVERIFY2(!(checkIns == 1 && ok("undo")), qPrintable(why));
    const QString second = QStringLiteral("Version 2");
    QVERIFY2(there(harbour + u'/' + second) == (!ok("undo") || made.contains(second)),
             qPrintable(why));
    if (checkIns == 1)
        QVERIFY2(State(root + harbour + u'/' + second) == "checked in", qPrintable(why));

    QVERIFY2((there(QStringLiteral("Zenith"))) == (ok("new-client")), qPrintable(why));
    // Borealis is renamed or deleted, once at most; no folder comes back at
    // its old path.
    QVERIFY2(!(ok("rename-client") && ok("delete-client")), qPrintable(why));
    QVERIFY2((there(QStringLiteral("Nova"))) == (ok("rename-client")), qPrintable(why));
    QVERIFY2((there(QStringLiteral("Borealis"))) == (!ok("rename-client") && !ok("delete-client")),
             qPrintable(why));
    if (ok("new-project") && !ok("delete-client")) {
        const QString client =
            ok("rename-client") ? QStringLiteral("Nova") : QStringLiteral("Borealis");
        QVERIFY2(there(client + QStringLiteral("/P9/version 1")), qPrintable(why));
    }
    QVERIFY2((there(QStringLiteral("Acme/Dock"))) == (!ok("delete-project")), qPrintable(why));
    if (ok("import") && !ok("delete-project"))
        QVERIFY2(QFile::exists(root + QStringLiteral("Acme/Dock/version 1/import/brought.txt")),
                 qPrintable(why));
}

void TestManyHands::initTestCase() {
    const QString import = scratch_.path() + QStringLiteral("/import/");
    QDir().mkpath(import);
    QFile brought(import + QStringLiteral("brought.txt"));
    QVERIFY(brought.open(QIODevice::WriteOnly));
    brought.write("brought in\n");
}

void TestManyHands::everyOrderedPairAtEveryChange_data() {
    QTest::addColumn<int>("first");
    const QList<Command> commands = Commands();
    for (int i = 0; i < commands.size(); ++i)
        QTest::newRow(commands[i].name) << i;
}

void TestManyHands::everyOrderedPairAtEveryChange() {
    QFETCH(int, first);
    const QList<Command> commands = Commands();
    int rounds = 0;
    for (const Command& second : commands) {
        for (int n = 1;; ++n) {
            ++rounds;
            bool held = false;
            RunRound(commands[first], second, n, &held);
            if (QTest::currentTestFailed())
                return;
            if (!held)
                break;
        }
    }
    rounds_ += rounds;
    qInfo("%s held at each of its changes: %d interleavings", commands[first].name, rounds);
}

void TestManyHands::cleanupTestCase() {
    const qsizetype commands = Commands().size();
    qInfo("%d interleavings of %lld ordered pairs of commands", rounds_,
          qint64(commands * commands));
}

QUORVEL_TEST_MAIN(TestManyHands)
#include "tst_manyhands.moc"
