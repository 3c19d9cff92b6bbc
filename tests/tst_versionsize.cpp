// What a version takes on disk, and how much of it deleting the version
// would free where the file system shares blocks between copies.

#include "support/ScratchMount.h"
#include "support/TestWorkspace.h"
#include "versioning/Filelist.h"
#include "versioning/VersionSize.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;

QByteArray Noise(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.flush());
    QVERIFY(::fsync(file.handle()) == 0);
}

// The blocks a file or folder takes.
qint64 Blocks(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return qint64(info.st_blocks) * 512;
}

// Every file and folder below and including root, each inode once.
qint64 BlocksBelow(const QString& root) {
    qint64 total = Blocks(root);
    QSet<quint64> seen;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        if (!seen.contains(info.st_ino))
            total += qint64(info.st_blocks) * 512;
        seen.insert(info.st_ino);
    }
    return total;
}

} // namespace

class TestVersionSize : public QObject {
    Q_OBJECT

private slots:
    void counts_data();
    void counts();
    void cancelAndFailure();
    void sharedBlocks_data();
    void sharedBlocks();
    void cleanupTestCase();

private:
    // An XFS of the test's own, made once; empty when there can be none.
    QString Xfs();

    QTemporaryDir scratch_;
    QString xfs_;
    QString noXfs_;
};

QString TestVersionSize::Xfs() {
    if (xfs_.isEmpty() && noXfs_.isEmpty()) {
        const QString folder = scratch_.path() + QStringLiteral("/xfs");
        QDir().mkpath(folder);
        if (ScratchMount::Xfs(scratch_.path() + QStringLiteral("/xfs.img"), folder, &noXfs_))
            xfs_ = folder + u'/';
    }
    return xfs_;
}

void TestVersionSize::cleanupTestCase() {
    if (!xfs_.isEmpty())
        ScratchMount::Unmount(xfs_);
}

// On a file system that shares nothing (as the tests' own folder is, unless
// it is XFS or Btrfs), only names shared with files outside count as shared.
void TestVersionSize::counts_data() {
    QTest::addColumn<QStringList>("version");
    QTest::addColumn<qint64>("files");
    QTest::addColumn<qint64>("bytes");
    // Which file's blocks are held by a name outside too.
    QTest::addColumn<QString>("sharedFile");

    QTest::newRow("empty") << QStringList{} << qint64(0) << qint64(0) << QString();
    QTest::newRow("files, an empty folder, a data file")
        << QStringList{"file a=12345", "file sub/b=1", "dir empty", "file QuorvelConfig.xml=<V>"}
        << qint64(3) << qint64(9) << QString();
    QTest::newRow("a link counts as a file of its target's length, never followed")
        << QStringList{"file a=xy", "link l=/usr/bin"} << qint64(2) << qint64(10) << QString();
    QTest::newRow("two names of one file inside: its blocks once")
        << QStringList{"file a=abc", "hard b=a"} << qint64(2) << qint64(6) << QString();
    QTest::newRow("a name outside too: deleting frees nothing of it")
        << QStringList{"file a=abc", "outside a"} << qint64(1) << qint64(3) << QString("a");
    QTest::newRow("a pipe is no file")
        << QStringList{"fifo p", "file a=1"} << qint64(1) << qint64(1) << QString();
}

void TestVersionSize::counts() {
    QFETCH(QStringList, version);
    QFETCH(qint64, files);
    QFETCH(qint64, bytes);
    QFETCH(QString, sharedFile);
    TestWorkspace ws;
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    for (const QString& line : version) {
        const QString kind = line.section(u' ', 0, 0);
        const QString name = line.section(u' ', 1).section(u'=', 0, 0);
        const QString value = line.section(u'=', 1);
        const QByteArray path = QFile::encodeName(folder + name);
        if (kind == QLatin1String("file"))
            ws.CreateFile("Acme/Harbour/Version 2/" + name, value.toUtf8());
        else if (kind == QLatin1String("dir"))
            ws.CreateDir("Acme/Harbour/Version 2/" + name);
        else if (kind == QLatin1String("link"))
            QVERIFY(::symlink(QFile::encodeName(value).constData(), path.constData()) == 0);
        else if (kind == QLatin1String("hard"))
            QVERIFY(::link(QFile::encodeName(folder + value).constData(), path.constData()) == 0);
        else if (kind == QLatin1String("outside"))
            QVERIFY(::link(path.constData(),
                           QFile::encodeName(ws.Path() + "elsewhere").constData()) == 0);
        else if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(path.constData(), 0644) == 0);
    }

    VersionSize size;
    QVERIFY2(size.Measure(folder), qPrintable(size.Error()));
    const VersionSize::Totals& totals = size.Result();
    QCOMPARE(totals.files, files);
    QCOMPARE(totals.bytes, bytes);
    QCOMPARE(totals.allocated, BlocksBelow(folder));
    const qint64 shared = sharedFile.isEmpty() ? 0 : Blocks(folder + sharedFile);
    // Unless the file system shares blocks of its own accord.
    QVERIFY2(totals.shared >= shared, qPrintable(QString::number(totals.shared)));
    QCOMPARE(totals.Unshared(), totals.allocated - totals.shared);
}

void TestVersionSize::cancelAndFailure() {
    TestWorkspace ws;
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    ws.CreateFile("Acme/Harbour/Version 2/a", "a");
    ws.CreateFile("Acme/Harbour/Version 2/b", "b");
    VersionSize size;
    int told = 0;
    size.SetProgress([&](const VersionSize::Totals& sofar) {
        ++told;
        return sofar.files < 1;
    });
    QVERIFY(!size.Measure(folder));
    QVERIFY(size.Cancelled());
    QCOMPARE(told, 1);

    size.SetProgress({});
    QVERIFY(!size.Measure(folder + "gone"));
    QVERIFY(!size.Cancelled());
    QVERIFY2(size.Error().contains(folder + "gone"), qPrintable(size.Error()));
    // A version folder that is a link is not measured through it.
    QVERIFY(QFile::link(folder, ws.Path() + "alias"));
    QVERIFY(!size.Measure(ws.Path() + "alias"));
    QVERIFY(!size.Measure(ws.Path() + "alias/"));
}

void TestVersionSize::sharedBlocks_data() {
    QTest::addColumn<QString>("copy");
    // Of the second version's 4 MiB of files: what deleting it frees at
    // least and at most.
    QTest::addColumn<qint64>("freedAtLeast");
    QTest::addColumn<qint64>("freedAtMost");
    QTest::newRow("check-out copy shares every block") << "checkout" << qint64(0) << MiB / 4;
    QTest::newRow("a changed file is its own again") << "checkout, change b" << MiB << 2 * MiB;
    QTest::newRow("a byte appended costs a block, not the file")
        << "checkout, append to b" << qint64(1) << MiB / 4;
    QTest::newRow("plain copy shares nothing") << "plain" << 4 * MiB << 5 * MiB;
}

void TestVersionSize::sharedBlocks() {
    QFETCH(QString, copy);
    QFETCH(qint64, freedAtLeast);
    QFETCH(qint64, freedAtMost);
    const QString root = Xfs();
    if (root.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no XFS of the test's own: ") + noXfs_));
    const QString project = root + QString::number(QRandomGenerator::global()->generate()) + u'/';
    const QString first = project + QStringLiteral("version 1/");
    const QString second = project + QStringLiteral("Version 2/");
    QVERIFY(QDir().mkpath(first));
    Write(first + "a", Noise(3 * MiB, 1));
    Write(first + "b", Noise(MiB, 2));
    if (copy == QLatin1String("plain")) {
        QVERIFY(QDir().mkpath(second));
        Write(second + "a", Noise(3 * MiB, 1));
        Write(second + "b", Noise(MiB, 2));
    } else {
        QString error;
        QVERIFY2(CopyFolderAs(first, second, &error), qPrintable(error));
    }
    if (copy.endsWith(QLatin1String("change b")))
        Write(second + "b", Noise(MiB, 3));
    if (copy.endsWith(QLatin1String("append to b"))) {
        QFile file(second + "b");
        QVERIFY(file.open(QIODevice::Append));
        file.write("x");
        file.close();
        ::sync();
    }

    VersionSize size;
    QVERIFY2(size.Measure(second), qPrintable(size.Error()));
    const VersionSize::Totals totals = size.Result();
    QCOMPARE(totals.files, qint64(2));
    QVERIFY(totals.allocated >= 4 * MiB);
    QVERIFY2(totals.Unshared() >= freedAtLeast && totals.Unshared() <= freedAtMost,
             qPrintable(
                 QStringLiteral("%1 of %2 unshared").arg(totals.Unshared()).arg(totals.allocated)));
    // The source shares what the copy shares.
    QVERIFY(size.Measure(first));
    QCOMPARE(size.Result().shared > 0, copy != QLatin1String("plain"));
}

QUORVEL_TEST_MAIN(TestVersionSize)
#include "tst_versionsize.moc"
