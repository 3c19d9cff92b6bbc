// A power cut at every point where a command puts something on disk. Each
// command runs as quorvel-cli on a workspace inside powercutfs, a FUSE file
// system in memory that keeps, when its power goes, only what was synced
// (tests/powercutfs). The power goes at the command's k-th sync for k = 0,
// 1, 2, ... (the command dies there), and once right after the command
// reported success. Then a command that reported success is wholly there;
// any other left the old state, or its new state whole, or a leftover
// that the next command (a rebuild, made here in the test for speed)
// removes.
#include "platform/ProgramPaths.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/QuorvelRuntime.h"
#include "workspace/TProjectManager.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr long FuseMagic = 0x65735546;

bool IsWholeDataFile(const QByteArray& bytes) {
    return bytes.startsWith("<Version state=\"") && bytes.endsWith("</Version>\r\n");
}

const QByteArray OldCatalogue =
    "<Clients count=\"1\" >\r<Client name=\"Acme\">\r\r<Projects count=\"2\" >\r<Project "
    "name=\"Harbour\">\r\r<Versions count=\"2\" >\r<Version name=\"version "
    "1\">\r\r</Version>\r<Version name=\"Version 2\">\r\r</Version>\r</Versions>\r</"
    "Project>\r<Project name=\"Dock\">\r\r<Versions count=\"1\" >\r<Version name=\"version "
    "1\">\r\r</Version>\r</Versions>\r</Project>\r</Projects>\r</Client>\r</Clients>\r\n";

// The files of Acme/Harbour/version 1 besides its record, by path.
QMap<QString, QByteArray> FirstVersionFiles() {
    QByteArray drawing(300 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < drawing.size(); ++i)
        drawing[i] = char((i * 7919) >> 3);
    return {{QStringLiteral("plan.txt"), "plan\n"},
            {QStringLiteral("notes/monday.txt"), "quay wall\n"},
            {QStringLiteral("notes/tuesday.txt"), "crane\n"},
            {QStringLiteral("notes/old/friday.txt"), "first sketch\n"},
            {QStringLiteral("drawings/quay.bin"), drawing},
            {QStringLiteral("empty.txt"), QByteArray()},
            {QStringLiteral(".hidden"), "hidden\n"}};
}

// What the import brings, below the folder it is copied in as.
QMap<QString, QByteArray> ImportedFiles() {
    return {{QStringLiteral("brought.txt"), "brought in\n"},
            {QStringLiteral("sub/more.bin"), QByteArray(50 * 1024, 'm')}};
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Acme/Harbour: version 1 checked in, Version 2 checked out from it;
// Acme/Dock: a first version only, for the import.
bool MakeWorkspace(const QString& ws) {
    const QString first = ws + QStringLiteral("Acme/Harbour/version 1/");
    bool made =
        WriteFile(ws + QStringLiteral("QuorvelConfig.xml"), OldCatalogue) &&
        WriteFile(first + QStringLiteral("QuorvelConfig.xml"), VersionDataFile("checked in", "")) &&
        WriteFile(ws + QStringLiteral("Acme/Harbour/Version 2/QuorvelConfig.xml"),
                  VersionDataFile("checked out", "version 1")) &&
        WriteFile(ws + QStringLiteral("Acme/Harbour/Version 2/plan.txt"), "changed\n") &&
        WriteFile(ws + QStringLiteral("Acme/Dock/version 1/QuorvelConfig.xml"),
                  VersionDataFile("checked in", "")) &&
        QDir().mkpath(first + QStringLiteral("empty folder")) &&
        QFile::link(QStringLiteral("plan.txt"), first + QStringLiteral("current"));
    const QMap<QString, QByteArray> files = FirstVersionFiles();
    for (auto file = files.begin(); made && file != files.end(); ++file)
        made = WriteFile(first + file.key(), file.value());
    return made;
}

// What is missing or different in folder against the files expected there.
QStringList Differences(const QString& folder, const QMap<QString, QByteArray>& files) {
    QStringList differences;
    for (auto file = files.begin(); file != files.end(); ++file) {
        const QByteArray bytes = Read(folder + file.key());
        if (bytes != file.value()) {
            differences << QStringLiteral("%1 holds %2 bytes, not %3")
                               .arg(file.key())
                               .arg(bytes == "<missing>" ? -1 : bytes.size())
                               .arg(file.value().size());
        }
    }
    return differences;
}

// Work folders of the program anywhere in the workspace.
QStringList WorkFolders(const QString& ws) {
    QStringList found;
    QDirIterator it(ws, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName().startsWith(QLatin1String(".quorvel-partial-")))
            found << path.mid(ws.size());
    }
    return found;
}

QStringList Sorted(const QSet<QString>& set) {
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

} // namespace

class TestPowerCut : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everySyncOfEveryCommand_data();
    void everySyncOfEveryCommand();

private:
    // Writes a command to the file system's switch.
    bool Switch(const QByteArray& command) const;
    // The switch's "syncs N cut 0|1".
    QByteArray SwitchStatus() const;
    // What a command left after the power came back; empty when all is well.
    QStringList Check(const QString& command, const QString& ws, bool succeeded) const;
    // A rebuild after an interrupted command works and leaves the catalogue
    // listing the folders, and no work folder.
    QStringList CheckRebuild(const QString& ws) const;
    std::unique_ptr<QProcess> Cli(const QString& ws, const QStringList& arguments) const;

    QString cli_;
    QTemporaryDir scratch_;
    QString mount_;
    QString importFolder_;
    QProcess fileSystem_;
    int covered_ = 0;
};

void TestPowerCut::initTestCase() {
#if !defined(POWERCUTFS) || !defined(QUORVEL_CLI)
    QSKIP("powercutfs was not built (libfuse3 and its pkg-config file were not found)");
#else
    cli_ = QStringLiteral(QUORVEL_CLI);
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        QSKIP("/dev/fuse is missing: no FUSE file system can be mounted here");
    QVERIFY(scratch_.isValid());
    importFolder_ = scratch_.path() + QStringLiteral("/import/");
    const QMap<QString, QByteArray> imported = ImportedFiles();
    for (auto file = imported.begin(); file != imported.end(); ++file)
        QVERIFY(WriteFile(importFolder_ + file.key(), file.value()));
    mount_ = scratch_.path() + QStringLiteral("/mount/");
    QVERIFY(QDir().mkpath(mount_));
    fileSystem_.setProcessChannelMode(QProcess::SeparateChannels);
    fileSystem_.start(QStringLiteral(POWERCUTFS), {mount_});
    QVERIFY(fileSystem_.waitForStarted());
    while (!fileSystem_.canReadLine() && fileSystem_.state() == QProcess::Running)
        fileSystem_.waitForReadyRead(1000);
    if (fileSystem_.readLine().trimmed() != "mounted") {
        fileSystem_.waitForFinished();
        QSKIP(qPrintable(QStringLiteral("powercutfs could not mount here: ") +
                         QString::fromLocal8Bit(fileSystem_.readAllStandardError().trimmed())));
    }
    struct statfs info;
    QVERIFY(::statfs(QFile::encodeName(mount_).constData(), &info) == 0);
    QCOMPARE(long(info.f_type), FuseMagic);
#endif
}

void TestPowerCut::cleanupTestCase() {
    if (fileSystem_.state() != QProcess::Running)
        return;
    // It unmounts on SIGTERM; a mount left behind would outlive the test.
    fileSystem_.terminate();
    if (!fileSystem_.waitForFinished(30000)) {
        ::umount2(QFile::encodeName(mount_).constData(), MNT_DETACH);
        fileSystem_.kill();
        fileSystem_.waitForFinished();
    }
    qInfo("%d power cuts in all", covered_);
    // Its own faults (a sanitizer's report) show here.
    QVERIFY2(fileSystem_.exitStatus() == QProcess::NormalExit && fileSystem_.exitCode() == 0,
             fileSystem_.readAllStandardError().constData());
}

bool TestPowerCut::Switch(const QByteArray& command) const {
    const int fd = ::open(QFile::encodeName(mount_ + QStringLiteral(".powercut")).constData(),
                          O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, command.constData(), size_t(command.size())) == command.size();
    return ::close(fd) == 0 && written;
}

QByteArray TestPowerCut::SwitchStatus() const {
    return Read(mount_ + QStringLiteral(".powercut")).trimmed();
}

std::unique_ptr<QProcess> TestPowerCut::Cli(const QString& ws, const QStringList& arguments) const {
    auto process = std::make_unique<QProcess>();
    process->start(cli_, QStringList{QStringLiteral("-w"), ws} + arguments);
    return process;
}

void TestPowerCut::everySyncOfEveryCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("checkout") << QStringList{"checkout", "Acme", "Harbour", "1"};
    QTest::newRow("checkin") << QStringList{"checkin", "Acme", "Harbour", "2", "-m", "Crane added"};
    QTest::newRow("undo-checkout") << QStringList{"--yes", "undo-checkout", "Acme", "Harbour", "2"};
    QTest::newRow("import") << QStringList{"import", "Acme", "Dock", "1"};
    QTest::newRow("new-client") << QStringList{"new-client", "Borealis"};
    QTest::newRow("new-project") << QStringList{"new-project", "Acme", "Quay"};
}

void TestPowerCut::everySyncOfEveryCommand() {
    QFETCH(QStringList, arguments);
    const QString command = QString::fromLatin1(QTest::currentDataTag());
    if (command == QLatin1String("import"))
        arguments << importFolder_;
    QStringList faults;
    int cuts = 0;
    for (int k = 0;; ++k) {
        QVERIFY2(k < 500, "the command never ran to its end");
        const QString ws = mount_ + QStringLiteral("%1-%2/ws/").arg(command).arg(k);
        // A failed check may have left the power off.
        QVERIFY(Switch("on"));
        QVERIFY(MakeWorkspace(ws));
        QVERIFY(Switch("durable"));
        QVERIFY(Switch("cut-after " + QByteArray::number(k)));
        const std::unique_ptr<QProcess> process = Cli(ws, arguments);
        QVERIFY(process->waitForFinished(60000));
        const QByteArray status = SwitchStatus();
        const bool cutCame = status.endsWith("cut 1");
        QVERIFY2(cutCame == (process->exitStatus() == QProcess::CrashExit),
                 status + ", " + process->readAllStandardError());
        if (!cutCame) {
            QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
            QCOMPARE(status, "syncs " + QByteArray::number(k) + " cut 0");
            // Done: the power goes right after.
            QVERIFY(Switch("cut"));
        }
        ++cuts;
        QVERIFY(Switch("on"));
        QStringList found = Check(command, ws, !cutCame);
        if (cutCame && found.isEmpty())
            found = CheckRebuild(ws);
        for (const QString& fault : found) {
            faults << (cutCame ? QStringLiteral("cut after %1 syncs: ").arg(k)
                               : QStringLiteral("cut after success (%1 syncs): ").arg(k)) +
                          fault;
        }
        if (!cutCame)
            break;
    }
    covered_ += cuts;
    qInfo("%s: the power cut after each of its %d syncs and after it reported success",
          qPrintable(command), cuts - 1);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

QStringList TestPowerCut::Check(const QString& command, const QString& ws, bool succeeded) const {
    QStringList faults;
    const QByteArray catalogue = Read(ws + QStringLiteral("QuorvelConfig.xml"));
    if (catalogue != OldCatalogue &&
        !(catalogue.startsWith("<Clients count=") && catalogue.endsWith("</Clients>\r\n")))
        faults << QStringLiteral("the catalogue is damaged: ") + QString::fromLatin1(catalogue);
    const QSet<QString> listed = CatalogueItems(catalogue);
    const QSet<QString> folders = ItemFolders(ws, false);
    // Before the catalogue is saved a folder may be gone already; once it
    // is saved, all it lists is there.
    const QSet<QString> unlisted = listed - folders;
    if (!unlisted.isEmpty() && (succeeded || catalogue != OldCatalogue))
        faults << QStringLiteral("the catalogue lists missing folders: ") +
                      Sorted(unlisted).join(u", ");
    if (succeeded && listed != folders) {
        faults << QStringLiteral("the catalogue lists %1, the folders are %2")
                      .arg(Sorted(listed).join(u", "), Sorted(folders).join(u", "));
    }

    // The source of the check-out is never touched.
    const QString harbour = ws + QStringLiteral("Acme/Harbour/");
    const QStringList source =
        Differences(harbour + QStringLiteral("version 1/"), FirstVersionFiles());
    if (!source.isEmpty())
        faults << QStringLiteral("version 1 changed: ") + source.join(u"; ");

    const bool isCheckOut = command == QLatin1String("checkout");
    const QString third = harbour + QStringLiteral("Version 3/");
    if (QFileInfo::exists(third) || (isCheckOut && succeeded)) {
        QStringList missing = Differences(third, FirstVersionFiles());
        const QByteArray record = Read(third + QStringLiteral("QuorvelConfig.xml"));
        if (!IsWholeDataFile(record) ||
            !record.contains("state=\"checked out\" parent=\"version 1\""))
            missing << QStringLiteral("its record is ") + QString::fromLatin1(record);
        if (QFile::symLinkTarget(third + QStringLiteral("current")) !=
            third + QStringLiteral("plan.txt"))
            missing << QStringLiteral("the link is missing");
        if (!QFileInfo(third + QStringLiteral("empty folder")).isDir())
            missing << QStringLiteral("the empty folder is missing");
        if (!missing.isEmpty())
            faults << QStringLiteral("Version 3 is not whole: ") + missing.join(u"; ");
    }

    const QString second = harbour + QStringLiteral("Version 2/");
    const QByteArray secondRecord = Read(second + QStringLiteral("QuorvelConfig.xml"));
    const bool secondGone = !QFileInfo::exists(second);
    if (command == QLatin1String("undo-checkout")) {
        if (succeeded && !secondGone)
            faults << QStringLiteral("Version 2 is back after its undo");
    } else if (secondGone) {
        faults << QStringLiteral("Version 2 is gone");
    }
    if (!secondGone) {
        const bool checkedIn = IsWholeDataFile(secondRecord) &&
                               secondRecord.contains("state=\"checked in\"") &&
                               secondRecord.contains("Crane added");
        if (secondRecord != VersionDataFile("checked out", "version 1") &&
            !(command == QLatin1String("checkin") && checkedIn))
            faults << QStringLiteral("Version 2's record is ") + QString::fromLatin1(secondRecord);
        if (command == QLatin1String("checkin") && succeeded && !checkedIn)
            faults << QStringLiteral("Version 2 is not checked in after its check-in");
        if (Read(second + QStringLiteral("plan.txt")) != "changed\n")
            faults << QStringLiteral("Version 2's plan.txt changed");
    }

    const QString imported = ws + QStringLiteral("Acme/Dock/version 1/import/");
    if (QFileInfo::exists(imported) || (command == QLatin1String("import") && succeeded)) {
        const QStringList missing = Differences(imported, ImportedFiles());
        if (!missing.isEmpty())
            faults << QStringLiteral("the import is not whole: ") + missing.join(u"; ");
    }
    if (Read(ws + QStringLiteral("Acme/Dock/version 1/QuorvelConfig.xml")) !=
        VersionDataFile("checked in", ""))
        faults << QStringLiteral("Dock's version 1 lost its record");

    if (command == QLatin1String("new-client") && succeeded &&
        !QFileInfo(ws + QStringLiteral("Borealis")).isDir())
        faults << QStringLiteral("Borealis is missing");
    if (command == QLatin1String("new-project") && succeeded &&
        !QFileInfo(ws + QStringLiteral("Acme/Quay/version 1")).isDir())
        faults << QStringLiteral("Acme/Quay/version 1 is missing");
    return faults;
}

QStringList TestPowerCut::CheckRebuild(const QString& ws) const {
    QStringList faults;
    {
        ProgramPaths::SetProgramFolderForTesting(scratch_.path() + QStringLiteral("/program/"));
        ScriptedUser user;
        QuorvelRuntime runtime(user, TQuorvelConfig::Access::ReadOnly);
        runtime.VersionManager(nullptr);
        ProjectMngr->SetWorkSpace(ws);
        ProjectMngr->Refresh();
        const QStringList errors = user.shown.filter(QStringLiteral("error"));
        if (!errors.isEmpty())
            faults << QStringLiteral("the rebuild reported: ") + errors.join(u"; ");
    }
    ProgramPaths::SetProgramFolderForTesting(QString());
    const QSet<QString> listed = CatalogueItems(Read(ws + QStringLiteral("QuorvelConfig.xml")));
    const QSet<QString> folders = ItemFolders(ws, false);
    if (listed != folders) {
        faults << QStringLiteral("after a rebuild the catalogue lists %1, the folders are %2")
                      .arg(Sorted(listed).join(u", "), Sorted(folders).join(u", "));
    }
    const QStringList left = WorkFolders(ws);
    if (!left.isEmpty())
        faults << QStringLiteral("a rebuild left work folders: ") + left.join(u", ");
    return faults;
}

QUORVEL_TEST_MAIN(TestPowerCut)
#include "tst_powercut.moc"
