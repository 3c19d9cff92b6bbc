// The trash as desktops read it: a free name beside what is there already,
// the original place in the info file, and never a move across file systems.
#include "platform/DesktopTrash.h"
#include "support/TestWorkspace.h"

#include <QRegularExpression>
#include <QtTest>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Place { HomeFileSystem, OtherMount, OtherMountWithoutOurTrash };

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

bool WriteTo(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file system of the test's own at folder: a tmpfs, in a child with a
// mount table of its own (as root, or else in a user namespace). False when
// this machine allows neither.
bool OwnFileSystem(const QString& folder) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::getuid());
        const QByteArray gid = QByteArray::number(::getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            !WriteTo(QStringLiteral("/proc/self/setgroups"), "deny") ||
            !WriteTo(QStringLiteral("/proc/self/uid_map"), uid + ' ' + uid + " 1") ||
            !WriteTo(QStringLiteral("/proc/self/gid_map"), gid + ' ' + gid + " 1"))
            return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("quorvel-test", QFile::encodeName(folder).constData(), "tmpfs", 0, nullptr) == 0;
}

} // namespace

class TestDesktopTrash : public QObject {
    Q_OBJECT

private slots:
    void moveRecordsOriginUnderAFreeName_data();
    void moveRecordsOriginUnderAFreeName();

private:
    // Moves root/work/name into trash, which first holds present ("NAME" a
    // folder with its info file, "files:NAME" or "info:NAME" one alone), and
    // checks the outcome.
    void MoveAndCheck(const QString& root, const QString& trash, const QString& homeTrash);
};

void TestDesktopTrash::moveRecordsOriginUnderAFreeName_data() {
    QTest::addColumn<Place>("place");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("name");
    // Below the root; empty when the move is refused. $uid: the user's id.
    QTest::addColumn<QString>("trashed");
    // The info file's Path; $root: the root's absolute path.
    QTest::addColumn<QByteArray>("path");

    const Place home = Place::HomeFileSystem;
    QTest::newRow("free") << home << QStringList() << "Web"
                          << "trash/files/Web" << QByteArray("$root/work/Web");
    QTest::newRow("taken") << home << QStringList{"Web"} << "Web"
                           << "trash/files/Web.2" << QByteArray("$root/work/Web");
    QTest::newRow("taken twice") << home << QStringList{"Web", "Web.2"} << "Web"
                                 << "trash/files/Web.3" << QByteArray("$root/work/Web");
    QTest::newRow("folder without info") << home << QStringList{"files:Web"} << "Web"
                                         << "trash/files/Web.2" << QByteArray("$root/work/Web");
    QTest::newRow("info without folder") << home << QStringList{"info:Web"} << "Web"
                                         << "trash/files/Web.2" << QByteArray("$root/work/Web");
    QTest::newRow("blank and percent") << home << QStringList() << "a b%c"
                                       << "trash/files/a b%c" << QByteArray("$root/work/a%20b%25c");
    QTest::newRow("non-ASCII and reserved")
        << home << QStringList() << QStringLiteral("Ärger #1?&=+;")
        << QStringLiteral("trash/files/Ärger #1?&=+;")
        << QByteArray("$root/work/%C3%84rger%20%231%3F%26%3D%2B%3B");
    QTest::newRow("line break") << home << QStringList() << "two\nlines"
                                << "trash/files/two\nlines" << QByteArray("$root/work/two%0Alines");
    // Relative to the mount's top, so the record holds wherever it is mounted.
    QTest::newRow("other mount") << Place::OtherMount << QStringList() << "Web"
                                 << ".Trash-$uid/files/Web" << QByteArray("work/Web");
    QTest::newRow("other mount without a trash of ours")
        << Place::OtherMountWithoutOurTrash << QStringList() << "Web" << QString() << QByteArray();
}

void TestDesktopTrash::moveRecordsOriginUnderAFreeName() {
    QFETCH(Place, place);
    TestWorkspace ws;
    const QString homeTrash = ws.Path() + QStringLiteral("trash");
    if (place == Place::HomeFileSystem) {
        MoveAndCheck(ws.Path(), homeTrash, homeTrash);
        return;
    }
    // The checks run in the child, whose file system ends with it.
    const QString root = ws.CreateDir(QStringLiteral("mount"));
    const pid_t child = ::fork();
    if (child == 0) {
        if (!OwnFileSystem(root))
            ::_exit(77);
        const QString own = root + QStringLiteral(".Trash-") + QString::number(::getuid());
        if (place == Place::OtherMountWithoutOurTrash)
            Touch(own);
        MoveAndCheck(root, own, homeTrash);
        ::_exit(QTest::currentTestFailed() ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        QSKIP("no file system of the test's own here: needs root or user namespaces");
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void TestDesktopTrash::MoveAndCheck(const QString& root, const QString& trash,
                                    const QString& homeTrash) {
    QFETCH(QStringList, present);
    QFETCH(QString, name);
    QFETCH(QString, trashed);
    QFETCH(QByteArray, path);
    trashed.replace(QLatin1String("$uid"), QString::number(::getuid()));
    path.replace("$root", QFile::encodeName(root).chopped(1));
    QStringList infos;
    for (const QString& entry : present) {
        const QString bare = entry.section(u':', -1);
        QDir().mkpath(trash + QStringLiteral("/info"));
        QDir().mkpath(trash + QStringLiteral("/files/") +
                      (entry.startsWith(QLatin1String("info:")) ? QString() : bare));
        if (!entry.startsWith(QLatin1String("files:"))) {
            infos << bare + QStringLiteral(".trashinfo");
            Touch(trash + QStringLiteral("/info/") + infos.last());
        }
    }
    const QString source = root + QStringLiteral("work/") + name;
    QDir().mkpath(source);

    QString inTrash;
    QCOMPARE(DesktopTrash(homeTrash).Move(source + u'/', &inTrash), !trashed.isEmpty());
    QCOMPARE(QFileInfo::exists(source), trashed.isEmpty());
    if (trashed.isEmpty())
        return;
    QCOMPARE(inTrash.mid(root.size()), trashed);
    QVERIFY(QFileInfo(inTrash).isDir());
    QFile record(trash + QStringLiteral("/info/") + QFileInfo(inTrash).fileName() +
                 QStringLiteral(".trashinfo"));
    QVERIFY(record.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(record.readAll()).split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("[Trash Info]"));
    QCOMPARE(lines[1], QStringLiteral("Path=") + QString::fromUtf8(path));
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"))
                 .match(lines[2])
                 .hasMatch(),
             qPrintable(lines[2]));
    QCOMPARE(lines[3], QString());
    // Nothing of others' changed, and no work file stayed behind.
    infos << QFileInfo(inTrash).fileName() + QStringLiteral(".trashinfo");
    infos.sort();
    QStringList left = QDir(trash + QStringLiteral("/info"))
                           .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.sort();
    QCOMPARE(left, infos);
}

QUORVEL_TEST_MAIN(TestDesktopTrash)
#include "tst_desktoptrash.moc"
