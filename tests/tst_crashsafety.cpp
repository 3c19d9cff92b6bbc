// Whole or nothing, proven: every command that changes files is killed at
// each of its changes to the file system in turn (N = 1, 2, ... until it
// runs to its end). After each kill every file must hold its old or its new
// bytes, no version folder may stand without its own record, no leftover
// may show in the catalogue, a comparison or a copy, and the next commands
// must work.
#include "catalogue/FolderScanReport.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersions.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/DesktopTrash.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPaths.h"
#include "storage/TConfigStreamer.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/Filelist.h"
#include "versioning/FolderDiff.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"
#include "workspace/TRecentOpened.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QtTest>

namespace {

const QString kChild = QStringLiteral("--child");

QByteArray Catalogue(const QStringList& versions) {
    QByteArray xml = "<Clients count=\"1\" >\r<Client name=\"Acme\">\r\r<Projects count=\"2\" "
                     ">\r<Project name=\"Harbour\">\r\r<Versions count=\"" +
                     QByteArray::number(versions.size()) + "\" >\r";
    for (const QString& version : versions)
        xml += "<Version name=\"" + version.toUtf8() + "\">\r\r</Version>\r";
    return xml + "</Versions>\r</Project>\r<Project name=\"Dock\">\r\r<Versions count=\"1\" "
                 ">\r<Version name=\"version 1\">\r\r</Version>\r</Versions>\r</Project>\r"
                 "</Projects>\r</Client>\r</Clients>\r\n";
}

// The workspace every round starts from: version 1 checked in with a few
// files, Version 2 checked out from it; Globex is on disk but not yet in
// the catalogue, so that a rebuild has something to write.
void MakeWorkspace(const TestWorkspace& ws) {
    ws.CreateFile(QStringLiteral("ws/QuorvelConfig.xml"),
                  Catalogue({QStringLiteral("version 1"), QStringLiteral("Version 2")}));
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/version 1/QuorvelConfig.xml"),
                  VersionDataFile("checked in", ""));
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/version 1/plan.txt"), "plan\n");
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/version 1/sub/drawing.bin"),
                  QByteArray(70000, 'x'));
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/Version 2/QuorvelConfig.xml"),
                  VersionDataFile("checked out", "version 1"));
    ws.CreateFile(QStringLiteral("ws/Acme/Harbour/Version 2/plan.txt"), "plan, changed\n");
    ws.CreateDir(QStringLiteral("ws/Globex/Dam/version 1"));
    // A new project's first version, and work to import into it.
    ws.CreateDir(QStringLiteral("ws/Acme/Dock/version 1"));
    ws.CreateFile(QStringLiteral("import/Program Data/a.dat"), QByteArray(70000, 'a'));
    ws.CreateFile(QStringLiteral("import/Corvane Projects/p/b.prj"), "project\n");
    ws.CreateFile(QStringLiteral("program/quorvel.Ini"),
                  "[Project]\r\nShutDown=1\r\nWorkspace=/old/\r\nViewStyle=0\r\n");
    ws.CreateFile(QStringLiteral("program/Editor.ini"), "[Viewer]\r\nPath=/bin/cat\r\n");
}

TVersion* FindVersion(const QString& name) {
    TVersionItem* project = ProjectMngr->Clients()->ItemByName(QStringLiteral("Acme"));
    project =
        project ? project->VersionCollection()->ItemByName(QStringLiteral("Harbour")) : nullptr;
    return project ? static_cast<TVersion*>(project->VersionCollection()->ItemByName(name))
                   : nullptr;
}

// The program's objects over a workspace.
class Program {
public:
    Program(const QString& workspace, TQuorvelConfig::Access access) : runtime(user, access) {
        runtime.VersionManager(nullptr);
        ProjectMngr->SetWorkSpace(workspace);
    }

    ScriptedUser user;
    QuorvelRuntime runtime;
};

// Runs one command to its end, or until the fault kills the process.
int RunChild(const QString& command, const QString& root) {
    ProgramPaths::SetProgramFolderForTesting(root + QStringLiteral("program/"));
    const QString workspace = root + QStringLiteral("ws/");
    if (command == QLatin1String("settings")) {
        TQuorvelConfig config(TQuorvelConfig::Access::ReadWrite);
        config.SetWorkspace(workspace);
        config.SetViewStyle(2);
        config.RecentOpened()->AddWorkspace(workspace);
        return 0;
    }
    if (command == QLatin1String("editors")) {
        TProjectEditors editors;
        editors.Add(std::make_unique<TEditor>(&editors, QStringLiteral("Pad"),
                                              QStringLiteral("/usr/bin/pad")));
        editors.WriteIni();
        return 0;
    }
    if (command == QLatin1String("move-to-trash"))
        return FileSystem::MoveToTrash(workspace + QStringLiteral("Acme/Harbour/Version 2/")) ? 0
                                                                                              : 3;
    Program program(workspace, TQuorvelConfig::Access::ReadOnly);
    if (command == QLatin1String("rebuild")) {
        ProjectMngr->Refresh();
    } else if (command == QLatin1String("checkout")) {
        VersionMngr->SetActiveItem(FindVersion(QStringLiteral("version 1")));
        VersionMngr->CheckOut();
    } else if (command == QLatin1String("checkin")) {
        VersionMngr->SetActiveItem(FindVersion(QStringLiteral("Version 2")));
        program.user.QueueCheckIn(QStringLiteral("Crane added"));
        VersionMngr->CheckIn();
    } else if (command == QLatin1String("import")) {
        TVersionItem* dock = ProjectMngr->Clients()
                                 ->ItemNamed(QStringLiteral("Acme"))
                                 ->VersionCollection()
                                 ->ItemNamed(QStringLiteral("Dock"));
        VersionMngr->SetActiveItem(dock->VersionCollection()->GetItems(0));
        VersionMngr->ImportFromFolder(root + QStringLiteral("import/"));
        return program.user.messages == QStringList{QStringLiteral("Import succeeded")} ? 0 : 3;
    } else if (command == QLatin1String("undo-checkout")) {
        VersionMngr->SetActiveItem(FindVersion(QStringLiteral("Version 2")));
        program.user.QueueConfirm(true);
        VersionMngr->UndoCheckOut();
    }
    if (command == QLatin1String("delete-project")) {
        VersionMngr->SetActiveItem(FindVersion(QStringLiteral("version 1")));
        program.user.QueueConfirm(true);
        VersionMngr->DelProject();
    }
    return program.user.messages.isEmpty() ? 0 : 3;
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool IsWholeDataFile(const QByteArray& bytes) {
    return bytes.startsWith("<Version state=\"") && bytes.endsWith("</Version>\r\n");
}

// Every name below folder, with the path relative to it.
QStringList Tree(const QString& folder) {
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next().mid(folder.size());
    names.sort();
    return names;
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyStepOfEveryCommand_data();
    void everyStepOfEveryCommand();
    void trashHoldsWholeRecordsAfterAnyKill_data();
    void trashHoldsWholeRecordsAfterAnyKill();
    void cleanupTestCase();

private:
    // What a kill (or the end) left: the checks that hold after any of them.
    void CheckWholeOrNothing(const QString& root, const QString& command, bool finished);
    // The next commands a user would give: a rebuild and a check-out.
    void CheckNextCommandsWork(const QString& root);
    // The trash after a kill (or the end) of a command that sends the folder
    // original, holding contents, there, and the move of next after it.
    void CheckTrash(const QString& trash, const QString& original, const QStringList& contents,
                    const QString& next, bool* inTrash);

    QString program;
    int covered = 0;
};

void TestCrashSafety::initTestCase() {
    program = QCoreApplication::applicationFilePath();
}

void TestCrashSafety::everyStepOfEveryCommand_data() {
    QTest::addColumn<QString>("command");
    for (const char* command :
         {"checkout", "checkin", "undo-checkout", "import", "rebuild", "settings", "editors"})
        QTest::newRow(command) << QString::fromLatin1(command);
}

void TestCrashSafety::everyStepOfEveryCommand() {
    QFETCH(QString, command);
    int points = 0;
    for (int n = 1;; ++n) {
        QVERIFY2(n < 200, "the command never ran to its end");
        TestWorkspace ws;
        MakeWorkspace(ws);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_FAULT"), QStringLiteral("kill@%1").arg(n));
        // A kill is what is tested here; the sanitizer must not take it for a fault.
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {kChild, command, ws.Path()});
        QVERIFY(child.waitForFinished(60000));
        const bool finished = child.exitStatus() == QProcess::NormalExit;
        if (finished)
            QCOMPARE(child.exitCode(), 0);
        CheckWholeOrNothing(ws.Path(), command, finished);
        if (QTest::currentTestFailed()) {
            qWarning("after a kill at change %d", n);
            return;
        }
        CheckNextCommandsWork(ws.Path());
        if (QTest::currentTestFailed()) {
            qWarning("after a kill at change %d", n);
            return;
        }
        if (finished)
            break;
        ++points;
    }
    QVERIFY(points > 0);
    covered += points;
    qInfo("%s: killed at each of its %d changes to the file system", qPrintable(command), points);
}

void TestCrashSafety::trashHoldsWholeRecordsAfterAnyKill_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("folder");
    QTest::newRow("move-to-trash")
        << QStringLiteral("move-to-trash") << QStringLiteral("ws/Acme/Harbour/Version 2/");
    QTest::newRow("delete-project")
        << QStringLiteral("delete-project") << QStringLiteral("ws/Acme/Harbour/");
}

void TestCrashSafety::trashHoldsWholeRecordsAfterAnyKill() {
    QFETCH(QString, command);
    QFETCH(QString, folder);
    bool killedInTrash = false;
    int points = 0;
    for (int n = 1;; ++n) {
        QVERIFY2(n < 200, "the command never ran to its end");
        TestWorkspace ws;
        MakeWorkspace(ws);
        const QString original = ws.Path() + folder;
        const QStringList contents = Tree(original);
        // A trash of the round's own: Qt's test mode puts it below HOME.
        const QString trash = ws.Path() + QStringLiteral("home/.qttest/share/Trash/");
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), ws.Path() + QStringLiteral("home"));
        environment.insert(QStringLiteral("QUORVEL_FAULT"), QStringLiteral("kill@%1").arg(n));
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {kChild, command, ws.Path()});
        QVERIFY(child.waitForFinished(60000));
        const bool finished = child.exitStatus() == QProcess::NormalExit;
        bool inTrash = false;
        CheckTrash(trash, original, contents, ws.CreateDir(QStringLiteral("next")), &inTrash);
        if (finished && !QTest::currentTestFailed()) {
            QCOMPARE(child.exitCode(), 0);
            QVERIFY(inTrash);
        }
        killedInTrash = killedInTrash || (inTrash && !finished);
        if (QTest::currentTestFailed()) {
            qWarning("after a kill at change %d", n);
            return;
        }
        if (finished)
            break;
        ++points;
    }
    // Some kill came after the folder had gone in, where half a record would show.
    QVERIFY(killedInTrash);
    covered += points;
    qInfo("%s: killed at each of its %d changes to the file system", qPrintable(command), points);
}

void TestCrashSafety::cleanupTestCase() {
    qInfo("%d abort points covered in all", covered);
}

void TestCrashSafety::CheckWholeOrNothing(const QString& root, const QString& command,
                                          bool finished) {
    const QString project = root + QStringLiteral("ws/Acme/Harbour/");
    const QByteArray catalogue = Read(root + QStringLiteral("ws/QuorvelConfig.xml"));
    const QByteArray before = Catalogue({QStringLiteral("version 1"), QStringLiteral("Version 2")});
    QVERIFY2(catalogue == before ||
                 (catalogue.startsWith("<Clients count=") && catalogue.endsWith("</Clients>\r\n")),
             catalogue.constData());

    // Every version folder holds its own, whole record.
    QCOMPARE(Read(project + QStringLiteral("version 1/QuorvelConfig.xml")),
             VersionDataFile("checked in", ""));
    const QByteArray second = Read(project + QStringLiteral("Version 2/QuorvelConfig.xml"));
    if (command == QLatin1String("undo-checkout")) {
        QVERIFY(second == VersionDataFile("checked out", "version 1") || second == "<missing>");
        if (second == "<missing>")
            QVERIFY(!QFileInfo::exists(project + QStringLiteral("Version 2")));
    } else if (command == QLatin1String("checkin")) {
        QVERIFY2(second == VersionDataFile("checked out", "version 1") ||
                     (IsWholeDataFile(second) && second.contains("state=\"checked in\"") &&
                      second.contains("Crane added")),
                 second.constData());
    } else {
        QCOMPARE(second, VersionDataFile("checked out", "version 1"));
    }
    if (QFileInfo::exists(project + QStringLiteral("Version 3"))) {
        QCOMPARE(command, QStringLiteral("checkout"));
        const QByteArray third = Read(project + QStringLiteral("Version 3/QuorvelConfig.xml"));
        QVERIFY2(IsWholeDataFile(third) &&
                     third.contains("state=\"checked out\" parent=\"version 1\""),
                 third.constData());
        FolderDiff diff;
        diff.Exclude(TConfigStreamer::ConfigFileName());
        QVERIFY(diff.Compare(project + QStringLiteral("version 1/"),
                             project + QStringLiteral("Version 3/")));
        QVERIFY(diff.Differences().empty());
        for (const QString& name : Tree(project + QStringLiteral("Version 3/")))
            QVERIFY2(!IsLeftoverName(QFileInfo(name).fileName().toUtf8()), qPrintable(name));
    }
    if (finished && command == QLatin1String("checkout"))
        QVERIFY(QFileInfo::exists(project + QStringLiteral("Version 3")));

    // The imported version: as it was (empty), or whole with its record.
    const QString dock = root + QStringLiteral("ws/Acme/Dock/");
    const QStringList imported = Tree(dock + QStringLiteral("version 1/"));
    const QStringList whole{"Corvane Projects", "Corvane Projects/p", "Corvane Projects/p/b.prj",
                            "Program Data",     "Program Data/a.dat", "QuorvelConfig.xml"};
    QVERIFY2(imported.isEmpty() || imported == whole, qPrintable(imported.join(u',')));
    if (imported == whole) {
        QCOMPARE(Read(dock + QStringLiteral("version 1/Program Data/a.dat")),
                 QByteArray(70000, 'a'));
        QVERIFY(IsWholeDataFile(Read(dock + QStringLiteral("version 1/QuorvelConfig.xml"))));
    }
    if (finished && command == QLatin1String("import"))
        QCOMPARE(imported, whole);
    for (const QString& name :
         QDir(dock).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QVERIFY2(name == QLatin1String("version 1") ||
                     (!finished && name.startsWith(FileSystem::PartialCopyPrefix())),
                 qPrintable(name));
    }

    // The program's own files: the old bytes or the new ones.
    const QByteArray settings = Read(root + QStringLiteral("program/quorvel.Ini"));
    const QByteArray oldSettings = "[Project]\r\nShutDown=1\r\nWorkspace=/old/\r\nViewStyle=0\r\n";
    const QByteArray started = "[Project]\r\nShutDown=0\r\nWorkspace=/old/\r\nViewStyle=0\r\n";
    const QByteArray ended = "[Project]\r\nShutDown=1\r\nWorkspace=" + QFile::encodeName(root) +
                             "ws/\r\nViewStyle=2\r\n[Recent opened]\r\n" +
                             "Items=1\r\nItem 0=" + QFile::encodeName(root) + "ws/\r\n";
    QVERIFY2(settings == oldSettings || settings == started || settings == ended,
             settings.constData());
    if (finished && command == QLatin1String("settings"))
        QCOMPARE(settings, ended);
    const QByteArray editors = Read(root + QStringLiteral("program/Editor.ini"));
    const QByteArray oldEditors = "[Viewer]\r\nPath=/bin/cat\r\n";
    QVERIFY2(editors == oldEditors || editors == oldEditors + "[Pad]\r\nPath=/usr/bin/pad\r\n",
             editors.constData());
    if (finished && command == QLatin1String("editors"))
        QVERIFY(editors != oldEditors);
}

void TestCrashSafety::CheckNextCommandsWork(const QString& root) {
    ProgramPaths::SetProgramFolderForTesting(root + QStringLiteral("program/"));
    const QString project = root + QStringLiteral("ws/Acme/Harbour/");
    {
        Program program(root + QStringLiteral("ws/"), TQuorvelConfig::Access::ReadOnly);
        // A version folder that the kill left whole, with its own record, is
        // listed by the next command that reads its project, before any
        // rebuild.
        TVersionCollection* listed = ProjectMngr->Clients()
                                         ->ItemNamed(QStringLiteral("Acme"))
                                         ->VersionCollection()
                                         ->ItemNamed(QStringLiteral("Harbour"))
                                         ->VersionCollection();
        listed->LoadData();
        for (const QString& name : QDir(project).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (QFileInfo::exists(project + name + u'/' + TConfigStreamer::ConfigFileName()))
                QVERIFY2(listed->ItemNamed(name), qPrintable(name + QStringLiteral(" not listed")));
        }
        ProjectMngr->Refresh();
        // Nothing half made is a version, and nothing is reported missing.
        QVERIFY2(program.user.shown.filter(QStringLiteral("error")).isEmpty(),
                 qPrintable(program.user.shown.join(u'\n')));
        TVersionItem* harbour = ProjectMngr->Clients()
                                    ->ItemByName(QStringLiteral("Acme"))
                                    ->VersionCollection()
                                    ->ItemByName(QStringLiteral("Harbour"));
        for (int i = 0; i < harbour->VersionCollection()->Count(); ++i) {
            const QString name = harbour->VersionCollection()->GetItems(i)->Name();
            QVERIFY2(name.startsWith(QLatin1String("version 1")) ||
                         name.startsWith(QLatin1String("Version ")),
                     qPrintable(name));
        }
        TVersion* source = FindVersion(QStringLiteral("version 1"));
        const int next = static_cast<TVersions*>(harbour->VersionCollection())->GetNextVersionNr();
        VersionMngr->SetActiveItem(source);
        VersionMngr->CheckOut();
        const QString made = project + QStringLiteral("Version %1/").arg(next);
        const QByteArray record = Read(made + TConfigStreamer::ConfigFileName());
        QVERIFY2(IsWholeDataFile(record) && record.contains("parent=\"version 1\""),
                 record.constData());
        FolderDiff diff;
        diff.Exclude(TConfigStreamer::ConfigFileName());
        QVERIFY(diff.Compare(project + QStringLiteral("version 1/"), made));
        QVERIFY(diff.Differences().empty());
    }
    // The check-out cleared away what the kill left in the project.
    for (const QString& name :
         QDir(project).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        QVERIFY2(!name.startsWith(FileSystem::PartialCopyPrefix()), qPrintable(name));
    ProgramPaths::SetProgramFolderForTesting(QString());
}

// Every folder in files/ has a whole info file naming where it was; an info
// file without its folder only while the folder is still there, untouched;
// nothing else but hidden work files. Then the next move clears what the
// kill left: every info file has its folder again.
void TestCrashSafety::CheckTrash(const QString& trash, const QString& original,
                                 const QStringList& contents, const QString& next, bool* inTrash) {
    static const QRegularExpression whole(
        QStringLiteral("^\\[Trash Info\\]\nPath=([^\n]*)\n"
                       "DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$"));
    const QDir files(trash + QStringLiteral("files"));
    const QDir info(trash + QStringLiteral("info"));
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QStringList trashed = files.entryList(all);
    QVERIFY2(trashed.size() <= 1, qPrintable(trashed.join(u',')));
    *inTrash = !trashed.isEmpty();
    // The folder is whole, in exactly one place.
    QCOMPARE(Tree(*inTrash ? files.filePath(trashed.first()) + u'/' : original), contents);
    QCOMPARE(QFileInfo::exists(original), !*inTrash);
    for (const QString& name : trashed)
        QVERIFY2(info.exists(name + QStringLiteral(".trashinfo")), qPrintable(name));
    for (const QString& name : info.entryList(all)) {
        if (!name.endsWith(QLatin1String(".trashinfo"))) {
            QVERIFY2(name.startsWith(u'.'), qPrintable(name));
            continue;
        }
        const QByteArray record = Read(info.filePath(name));
        const QRegularExpressionMatch match = whole.match(QString::fromUtf8(record));
        QVERIFY2(match.hasMatch(), record.constData());
        QCOMPARE(QUrl::fromPercentEncoding(match.captured(1).toUtf8()),
                 FileSystem::WithoutTrailingSeparator(original));
        if (!trashed.contains(name.chopped(10)))
            QVERIFY(!*inTrash);
    }

    QVERIFY(DesktopTrash(trash).Move(next));
    QStringList records = info.entryList(all);
    QStringList expected = files.entryList(all).replaceInStrings(
        QRegularExpression(QStringLiteral("$")), QStringLiteral(".trashinfo"));
    records.sort();
    expected.sort();
    QCOMPARE(records, expected);
}

int main(int argc, char** argv) {
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == kChild) {
        // The parent's isolated folders are inherited; a killed child could
        // not remove folders of its own.
        QCoreApplication app(argc, argv);
        QStandardPaths::setTestModeEnabled(true);
        return RunChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    IsolateFromUserFiles();
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
