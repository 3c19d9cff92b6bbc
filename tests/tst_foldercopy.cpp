// The folder copy: the shell copy's rules on real folders, and the
// all-or-nothing copy that check-out builds on.
#include "platform/FileSystem.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "versioning/Filelist.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records the progress hooks besides what ScriptedUser records.
class ProgressUser : public ScriptedUser {
public:
    void CopyStarted(const QString&, const QString&, qint64 totalBytes) override {
        ++started;
        total = totalBytes;
    }
    void CopyProgress(qint64 doneBytes) override { progress << doneBytes; }
    void CopyFinished() override { ++finished; }

    int started = 0;
    int finished = 0;
    qint64 total = -1;
    QList<qint64> progress;
};

constexpr time_t OldTime = 981158400; // 2001-02-03, far from "now"

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

void SetTime(const QString& path, long nanoseconds) {
    const struct timespec times[2] = {{OldTime, nanoseconds}, {OldTime, nanoseconds}};
    ::utimensat(AT_FDCWD, Native(path).constData(), times, AT_SYMLINK_NOFOLLOW);
}

// One line per entry below root, links not followed: kind, permissions,
// modification time to the nanosecond, and contents or link target.
QStringList Describe(const QString& root) {
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (::lstat(Native(path).constData(), &info) != 0) {
            lines << path + QStringLiteral(" vanished");
            continue;
        }
        QString what;
        if (S_ISLNK(info.st_mode)) {
            QByteArray target(4096, 0);
            const ssize_t length = ::readlink(Native(path).constData(), target.data(), 4096);
            what = QStringLiteral("link ") + QString::fromLocal8Bit(target.left(length));
        } else if (S_ISDIR(info.st_mode)) {
            what = QStringLiteral("folder");
        } else if (!S_ISREG(info.st_mode)) {
            what = QStringLiteral("special");
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            what = QStringLiteral("file ") +
                   QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        }
        lines << QStringLiteral("%1 %2 %3.%4 %5")
                     .arg(path.mid(root.size()))
                     .arg(info.st_mode & 07777, 0, 8)
                     .arg(info.st_mtim.tv_sec)
                     .arg(info.st_mtim.tv_nsec)
                     .arg(what);
    }
    lines.sort();
    return lines;
}

// A version folder with what the shell copy must keep: hidden and empty
// entries, nested folders, odd permissions, old times, links in and out;
// when wide, also more folders than a copy keeps open at once, some of
// them read-only.
QString MakeSource(const TestWorkspace& ws, const QString& relative, bool wide = false) {
    const QString root = ws.CreateDir(relative);
    QByteArray binary(300 * 1024, Qt::Uninitialized);
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 7 % 251);
    ws.CreateFile(relative + QStringLiteral("/QuorvelConfig.xml"), "<Version/>\r\n");
    ws.CreateFile(relative + QStringLiteral("/.hidden"), "hidden");
    ws.CreateFile(relative + QStringLiteral("/empty.txt"));
    ws.CreateFile(relative + QStringLiteral("/sub/deeper/data.bin"), binary);
    ws.CreateFile(relative + QStringLiteral("/read only.txt"), "keep");
    ws.CreateDir(relative + QStringLiteral("/empty folder"));
    ws.CreateDir(relative + QStringLiteral("/.hidden folder"));
    ws.CreateFile(QStringLiteral("outside.txt"), "outside");
    ::chmod(Native(root + QStringLiteral("read only.txt")).constData(), 0444);
    ::symlink("sub/deeper/data.bin", Native(root + QStringLiteral("link inside")).constData());
    ::symlink(Native(ws.Path() + QStringLiteral("outside.txt")).constData(),
              Native(root + QStringLiteral("link outside")).constData());
    ::symlink(Native(ws.Path()).constData(),
              Native(root + QStringLiteral("folder link")).constData());
    for (int i = 0; wide && i < 300; ++i) {
        const QString folder = relative + QStringLiteral("/wide/folder %1/").arg(i);
        for (int f = 0; f < 3; ++f)
            ws.CreateFile(folder + QStringLiteral("file %1.txt").arg(f), QByteArray(i + f, 'w'));
        if (i % 7 == 0)
            ::chmod(Native(ws.Path() + folder).constData(), 0555);
    }
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList entries;
    while (it.hasNext())
        entries << it.next();
    // Deepest first, so setting a file's time does not touch its folder's again.
    std::sort(entries.begin(), entries.end(), std::greater<QString>());
    for (const QString& entry : entries)
        SetTime(entry, 123456789);
    return root;
}

QStringList PartialCopiesIn(const QString& folder) {
    return QDir(folder).entryList({FileSystem::PartialCopyPrefix() + u'*'},
                                  QDir::AllEntries | QDir::Hidden | QDir::System);
}

} // namespace

class TestFolderCopy : public QObject {
    Q_OBJECT

private slots:
    void copyToMissingDestination_data();
    void copyToMissingDestination();
    void copyIntoExistingFolder_data();
    void copyIntoExistingFolder();
    void copyingAgainReplacesWithoutAsking();
    void mergeNeverWritesThroughLinks_data();
    void mergeNeverWritesThroughLinks();
    void copyFilesResult_data();
    void copyFilesResult();
    void copyFolderAsFailureLeavesNothing_data();
    void copyFolderAsFailureLeavesNothing();
    void progressIsReportedInSteps();
};

void TestFolderCopy::copyToMissingDestination_data() {
    QTest::addColumn<bool>("checkOut");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("wide");

    const QString longName = QString(100, u'n');
    QTest::newRow("copy") << false << "src"
                          << "Version 2" << false << false;
    QTest::newRow("copy, closing separators") << false << "src/"
                                              << "Version 2/" << false << false;
    QTest::newRow("copy, missing parents") << false << "src"
                                           << "a/b/c/Version 2" << false << false;
    QTest::newRow("copy, relative paths") << false << "src"
                                          << "Version 2" << true << false;
    QTest::newRow("copy, path past 254 characters")
        << false << "src" << longName + u'/' + longName + u'/' + longName << false << false;
    QTest::newRow("check-out copy") << true << "src/"
                                    << "Version 2/" << false << false;
    QTest::newRow("check-out copy, relative paths") << true << "src"
                                                    << "Version 2" << true << false;
    QTest::newRow("check-out copy, hundreds of folders") << true << "src"
                                                         << "Version 2" << false << true;
}

void TestFolderCopy::copyToMissingDestination() {
    QFETCH(bool, checkOut);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(bool, relative);
    QFETCH(bool, wide);
    TestWorkspace ws;
    ScriptedUser user;
    const QString root = MakeSource(ws, QStringLiteral("src"), wide);
    const QStringList expected = Describe(root);
    const QString previous = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
    if (relative)
        QDir::setCurrent(ws.Path());
    else {
        source.prepend(ws.Path());
        destination.prepend(ws.Path());
    }

    QString error;
    const bool copied =
        checkOut ? CopyFolderAs(source, destination, &error) : CopyFiles(source, destination);

    QVERIFY2(copied, qPrintable(error + user.messages.join(u'|')));
    QCOMPARE(user.shown, QStringList());
    const QString copy = QDir::cleanPath(relative ? ws.Path() + destination : destination);
    QCOMPARE(Describe(copy + u'/'), expected);
    QCOMPARE(Describe(root), expected); // the source is left as it was
    QCOMPARE(PartialCopiesIn(QFileInfo(copy).path()), QStringList());
    QCOMPARE(QFile(ws.Path() + QStringLiteral("outside.txt")).size(), qint64(7));
}

void TestFolderCopy::copyIntoExistingFolder_data() {
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("without separator") << "Version 1" << false;
    QTest::newRow("with separator") << "Version 1/" << false;
    // The folder the user chose is copied, under the name it was chosen by.
    QTest::newRow("source named by a link") << "Version 1/" << true;
}

void TestFolderCopy::copyIntoExistingFolder() {
    QFETCH(QString, destination);
    QFETCH(bool, throughLink);
    TestWorkspace ws;
    ScriptedUser user;
    QString root =
        MakeSource(ws, QStringLiteral("import/") + (throughLink ? "real data" : "Program Data"));
    if (throughLink) {
        root = ws.Path() + QStringLiteral("import/Program Data");
        QVERIFY(::symlink("real data", Native(root).constData()) == 0);
    }
    ws.CreateFile(QStringLiteral("Version 1/QuorvelConfig.xml"), "mine");
    const QStringList expected = Describe(root + u'/');

    QVERIFY(CopyFiles(root, ws.Path() + destination));

    QCOMPARE(Describe(ws.Path() + QStringLiteral("Version 1/Program Data/")), expected);
    QVERIFY(!QFileInfo(ws.Path() + QStringLiteral("Version 1/Program Data")).isSymLink());
    QCOMPARE(ws.ReadFile(QStringLiteral("Version 1/QuorvelConfig.xml")), QByteArray("mine"));
    QCOMPARE(PartialCopiesIn(ws.Path() + QStringLiteral("Version 1")), QStringList());
    QCOMPARE(user.shown, QStringList());
}

void TestFolderCopy::copyingAgainReplacesWithoutAsking() {
    TestWorkspace ws;
    ScriptedUser user;
    const QString root = MakeSource(ws, QStringLiteral("import/Program Data"));
    const QString target = ws.CreateDir(QStringLiteral("Version 1"));
    QVERIFY(CopyFiles(root, target));
    ws.CreateFile(QStringLiteral("Version 1/Program Data/only here.txt"), "stays");
    ws.CreateFile(QStringLiteral("import/Program Data/sub/deeper/data.bin"), "changed");
    ws.CreateFile(QStringLiteral("import/Program Data/new/new.txt"), "new");
    ::chmod(Native(ws.Path() + QStringLiteral("Version 1/Program Data/read only.txt")).constData(),
            0444);
    // Folders that were there already get new times from what changed in them.
    const auto filesAndLinks = [](QStringList lines) {
        lines.removeIf(
            [](const QString& line) { return line.endsWith(QStringLiteral(" folder")); });
        return lines;
    };
    const QStringList expected = filesAndLinks(Describe(root));

    QVERIFY(CopyFiles(root, target));

    QStringList copied = filesAndLinks(Describe(target + QStringLiteral("Program Data/")));
    QCOMPARE(copied.filter(QStringLiteral("only here")).size(), 1);
    copied.removeIf(
        [](const QString& line) { return line.startsWith(QStringLiteral("only here")); });
    QCOMPARE(copied, expected);
    QCOMPARE(ws.ReadFile(QStringLiteral("Version 1/Program Data/only here.txt")),
             QByteArray("stays"));
    QCOMPARE(user.shown, QStringList()); // nothing asked, nothing reported
    QCOMPARE(PartialCopiesIn(target + QStringLiteral("Program Data/sub/deeper")), QStringList());
}

void TestFolderCopy::mergeNeverWritesThroughLinks_data() {
    QTest::addColumn<QString>("linkName");
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<bool>("expected");

    // A file replaces a link of its name; the link's target stays as it was.
    QTest::newRow("link where a file goes") << "sub/deeper/data.bin"
                                            << "outside/file.txt" << true;
    // A folder can not be merged into a link: refused, nothing followed.
    QTest::newRow("link where a folder goes") << "sub"
                                              << "outside" << false;
}

void TestFolderCopy::mergeNeverWritesThroughLinks() {
    QFETCH(QString, linkName);
    QFETCH(QString, linkTarget);
    QFETCH(bool, expected);
    TestWorkspace ws;
    ScriptedUser user;
    const QString root = MakeSource(ws, QStringLiteral("src"));
    ws.CreateFile(QStringLiteral("outside/file.txt"), "outside");
    ws.CreateFile(QStringLiteral("outside/deeper/data.bin"), "outside");
    const QString target = ws.CreateDir(QStringLiteral("Version 1/src"));
    ws.CreateDir(QFileInfo(QStringLiteral("Version 1/src/") + linkName).path());
    QVERIFY(::symlink(Native(ws.Path() + linkTarget).constData(),
                      Native(target + linkName).constData()) == 0);
    const QStringList outside = Describe(ws.Path() + QStringLiteral("outside/"));

    QCOMPARE(DoFiles(root, ws.Path() + QStringLiteral("Version 1"), ShellFunction::Copy), expected);

    QCOMPARE(Describe(ws.Path() + QStringLiteral("outside/")), outside);
    if (expected) {
        const QString name = QFileInfo(linkName).fileName();
        QCOMPARE(Describe(target).filter(name), Describe(root).filter(name));
    } else {
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].contains(target + linkName), qPrintable(user.messages[0]));
    }
}

void TestFolderCopy::copyFilesResult_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("named");

    QTest::newRow("copied") << "src"
                            << "copy" << true << "";
    QTest::newRow("no source, no destination") << "missing"
                                               << "copy" << false << "missing";
    QTest::newRow("no source, destination a folder") << "missing"
                                                     << "folder" << false << "missing";
    // A failed copy counts as done when a file holds the destination's name.
    QTest::newRow("no source, destination a file") << "missing"
                                                   << "file" << true << "missing";
    QTest::newRow("folder onto a file") << "src"
                                        << "file" << true << "file";
    QTest::newRow("into its own sub-folder") << "src"
                                             << "src/sub" << false << "src";
    QTest::newRow("onto itself") << "src"
                                 << "." << false << "src";
    QTest::newRow("pipe inside") << "pipe src"
                                 << "copy" << false << "pipe";
}

void TestFolderCopy::copyFilesResult() {
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(bool, expected);
    QFETCH(QString, named);
    TestWorkspace ws;
    ScriptedUser user;
    MakeSource(ws, QStringLiteral("src"));
    ws.CreateDir(QStringLiteral("folder"));
    ws.CreateFile(QStringLiteral("file"), "a file");
    ws.CreateFile(QStringLiteral("pipe src/a.txt"), "a");
    QVERIFY(::mkfifo(Native(ws.Path() + QStringLiteral("pipe src/pipe")).constData(), 0600) == 0);
    const QStringList before = Describe(ws.Path());

    QCOMPARE(CopyFiles(ws.Path() + source, ws.Path() + destination), expected);

    if (named.isEmpty()) {
        QCOMPARE(user.shown, QStringList());
        return;
    }
    // The shell told the user why; nothing half-made stays behind.
    QCOMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages[0].contains(ws.Path() + named), qPrintable(user.messages[0]));
    QCOMPARE(Describe(ws.Path()), before);
}

void TestFolderCopy::copyFolderAsFailureLeavesNothing_data() {
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("prepare");

    QTest::newRow("destination is a folder") << "Version 2"
                                             << "folder";
    QTest::newRow("destination is a file") << "Version 2"
                                           << "file";
    QTest::newRow("destination is a link") << "Version 2"
                                           << "link";
    QTest::newRow("parent is a file") << "file/Version 2"
                                      << "";
    QTest::newRow("parent is missing") << "missing/Version 2"
                                       << "";
    QTest::newRow("pipe in the source") << "Version 2"
                                        << "pipe";
    QTest::newRow("pipe among hundreds of folders") << "Version 2"
                                                    << "wide pipe";
    QTest::newRow("source is missing") << "Version 2"
                                       << "no source";
    QTest::newRow("source is a file") << "Version 2"
                                      << "file source";
    QTest::newRow("inside the source") << "Version 1/Version 2"
                                       << "";
}

void TestFolderCopy::copyFolderAsFailureLeavesNothing() {
    QFETCH(QString, destination);
    QFETCH(QString, prepare);
    TestWorkspace ws;
    ProgressUser user;
    QString source =
        MakeSource(ws, QStringLiteral("Version 1"), prepare == QLatin1String("wide pipe"));
    ws.CreateFile(QStringLiteral("file"), "a file");
    if (prepare == QLatin1String("folder"))
        ws.CreateFile(destination + QStringLiteral("/QuorvelConfig.xml"), "mine");
    if (prepare == QLatin1String("file"))
        ws.CreateFile(destination, "mine");
    if (prepare == QLatin1String("link"))
        ::symlink("Version 1", Native(ws.Path() + destination).constData());
    if (prepare.endsWith(QLatin1String("pipe"))) {
        // Deep inside, so that much is copied before the failure.
        QVERIFY(::mkfifo(Native(source + QStringLiteral("sub/deeper/pipe")).constData(), 0600) ==
                0);
    }
    if (prepare == QLatin1String("no source"))
        source = ws.Path() + QStringLiteral("missing");
    if (prepare == QLatin1String("file source"))
        source = ws.Path() + QStringLiteral("file");
    if (prepare == QLatin1String("link source")) {
        ::symlink("Version 1", Native(ws.Path() + QStringLiteral("link")).constData());
        source = ws.Path() + QStringLiteral("link");
    }
    const QStringList before = Describe(ws.Path());

    QString error;
    QVERIFY(!CopyFolderAs(source, ws.Path() + destination, &error));

    QVERIFY(!error.isEmpty());
    QCOMPARE(user.shown, QStringList()); // the caller decides what to show
    QCOMPARE(Describe(ws.Path()), before);
    QCOMPARE(user.finished, user.started);
}

void TestFolderCopy::progressIsReportedInSteps() {
    TestWorkspace ws;
    ProgressUser user;
    const QString root = MakeSource(ws, QStringLiteral("Version 1"));
    ws.CreateFile(QStringLiteral("Version 1/big.bin"), QByteArray(20 * 1024 * 1024, 'b'));
    qint64 bytes = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            bytes += it.fileInfo().size();
    }

    QString error;
    QVERIFY2(CopyFolderAs(root, ws.Path() + QStringLiteral("Version 2"), &error),
             qPrintable(error));

    QCOMPARE(user.started, 1);
    QCOMPARE(user.finished, 1);
    QCOMPARE(user.total, bytes);
    QVERIFY(!user.progress.isEmpty());
    QCOMPARE(user.progress.last(), bytes);
    QVERIFY(std::is_sorted(user.progress.begin(), user.progress.end()));
    // Megabytes at a time, not a call for every block.
    QVERIFY2(user.progress.size() <= 1 + bytes / (256 * 1024),
             qPrintable(QString::number(user.progress.size())));
}

QUORVEL_TEST_MAIN(TestFolderCopy)
#include "tst_foldercopy.moc"
