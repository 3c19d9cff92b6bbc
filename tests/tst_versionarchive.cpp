// A version packed into a zip file: what goes in and how, and that a
// failure or a Cancel leaves no half archive.

#include "platform/TextFile.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchMount.h"
#include "support/TestWorkspace.h"
#include "versioning/VersionArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Every entry the test makes gets this time, so that the archive can be
// held to it.
constexpr time_t EntryTime = 1234567890;

// Builds a folder from lines such as "file a/b.txt=text", "dir empty",
// "link name=target", "fifo name", "mode 755 name".
void Build(const QString& root, const QStringList& lines) {
    QStringList made;
    for (const QString& line : lines) {
        const QString kind = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        const QString name = rest.section(u'=', 0, 0);
        const QString value = rest.section(u'=', 1);
        const QString path = root + name;
        QDir().mkpath(QFileInfo(path).path());
        const QByteArray native = QFile::encodeName(path);
        if (kind == QLatin1String("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(value.toUtf8());
        } else if (kind == QLatin1String("dir")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(::symlink(QFile::encodeName(value).constData(), native.constData()) == 0);
        } else if (kind == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(native.constData(), 0644) == 0);
        } else if (kind == QLatin1String("mode")) {
            const QString file = root + value;
            QVERIFY(::chmod(QFile::encodeName(file).constData(), name.toUInt(nullptr, 8)) == 0);
            continue;
        }
        made << name;
    }
    // Deepest first, so that no folder's time changes after it was set.
    made.sort();
    std::reverse(made.begin(), made.end());
    for (const QString& name : made) {
        for (QString at = name; !at.isEmpty() && at != QLatin1String(".");
             at = QFileInfo(at).path()) {
            const timespec times[2] = {{EntryTime, 0}, {EntryTime, 0}};
            ::utimensat(AT_FDCWD, QFile::encodeName(root + at).constData(), times,
                        AT_SYMLINK_NOFOLLOW);
        }
    }
}

struct ReadBack {
    // "F name=contents", "D name", "L name->target", sorted; an executable
    // file ends in " (x)".
    QStringList entries;
    QList<time_t> times;
    bool ok = false;
};

ReadBack ReadZip(const QString& path) {
    ReadBack back;
    archive* reader = archive_read_new();
    archive_read_support_format_zip(reader);
    if (archive_read_open_filename(reader, QFile::encodeName(path).constData(), 65536) !=
        ARCHIVE_OK) {
        archive_read_free(reader);
        return back;
    }
    archive_entry* entry;
    while (archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
        QString name = QString::fromUtf8(archive_entry_pathname_utf8(entry));
        if (name.endsWith(u'/'))
            name.chop(1);
        back.times << archive_entry_mtime(entry);
        switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            back.entries << QStringLiteral("D ") + name;
            break;
        case AE_IFLNK:
            back.entries << QStringLiteral("L %1->%2")
                                .arg(name, QString::fromUtf8(archive_entry_symlink_utf8(entry)));
            break;
        default: {
            QByteArray contents;
            char buffer[4096];
            la_ssize_t got;
            while ((got = archive_read_data(reader, buffer, sizeof buffer)) > 0)
                contents.append(buffer, got);
            back.entries << QStringLiteral("F %1=%2%3")
                                .arg(name, QString::fromUtf8(contents),
                                     archive_entry_perm(entry) & 0100 ? " (x)" : "");
        }
        }
    }
    back.ok = true;
    archive_read_free(reader);
    back.entries.sort();
    return back;
}

// Whether every name in the central directory that is not ASCII carries
// the flag that says it is UTF-8 (general purpose bit 11), as readers on
// every system need.
bool NamesFlaggedUtf8(const QByteArray& zip) {
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0;
         at = zip.indexOf("PK\x01\x02", at + 4)) {
        const auto byte = [&](qsizetype i) { return quint8(zip.at(at + i)); };
        const int flags = byte(8) | byte(9) << 8;
        const int length = byte(28) | byte(29) << 8;
        const QByteArray name = zip.mid(at + 46, length);
        const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c >= 0; });
        if (!ascii && !(flags & 0x800))
            return false;
    }
    return true;
}

// Takes away root's right to read any file, for this thread, so that a
// file without read permission cannot be read even by root.
class NoReadOverride {
public:
    NoReadOverride() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~NoReadOverride() {
        if (active_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    NoReadOverride(const NoReadOverride&) = delete;
    NoReadOverride& operator=(const NoReadOverride&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot |
                                  QDir::System);
}

} // namespace

class TestVersionArchive : public QObject {
    Q_OBJECT

private slots:
    void contents_data();
    void contents();
    void failureLeavesNoHalfArchive_data();
    void failureLeavesNoHalfArchive();
    void replacesAndCleansUp();
    void refusesWhereItMustNotGo();
    void defaultFileName_data();
    void defaultFileName();
};

void TestVersionArchive::contents_data() {
    QTest::addColumn<QStringList>("version");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("accents and spaces")
        << QStringList{"file Plän für Straße.txt=grüße", "file sub dir/ä b.txt=x"}
        << QStringList{"F Plän für Straße.txt=grüße", "D sub dir", "F sub dir/ä b.txt=x"};
    QTest::newRow("empty folders") << QStringList{"dir empty", "dir a/b/c"}
                                   << QStringList{"D a", "D a/b", "D a/b/c", "D empty"};
    QTest::newRow("empty file, hidden file, executable file")
        << QStringList{"file .hidden=h", "file nothing=", "file run.sh=#!", "mode 755=run.sh"}
        << QStringList{"F .hidden=h", "F nothing=", "F run.sh=#! (x)"};
    QTest::newRow("link inside the version stored as a link")
        << QStringList{"file docs/plan.txt=plan", "link docs/current=plan.txt"}
        << QStringList{"D docs", "L docs/current->plan.txt", "F docs/plan.txt=plan"};
    // The link's target is written down, never read: nothing from outside
    // gets in.
    QTest::newRow("link to a file outside")
        << QStringList{"link passwords=/etc/passwd"} << QStringList{"L passwords->/etc/passwd"};
    QTest::newRow("link out of the version to a folder")
        << QStringList{"link up=../../../outside"} << QStringList{"L up->../../../outside"};
    QTest::newRow("dangling link")
        << QStringList{"link gone=nowhere"} << QStringList{"L gone->nowhere"};
    QTest::newRow("the version's own data file left out, a deeper one kept")
        << QStringList{"file QuorvelConfig.xml=<Version>", "file sub/QuorvelConfig.xml=mine"}
        << QStringList{"D sub", "F sub/QuorvelConfig.xml=mine"};
    QTest::newRow("what interrupted work left is left out")
        << QStringList{"file .quorvel-partial-x1/half=h", "file QuorvelConfig.xml.Ab12Cd=t",
                       "file sub/.quorvel-partial-9/f=g", "file keep=k"}
        << QStringList{"F keep=k", "D sub"};
    QTest::newRow("a pipe holds no work")
        << QStringList{"fifo pipe", "file a=1"} << QStringList{"F a=1"};
    QTest::newRow("nothing") << QStringList{} << QStringList{};
}

void TestVersionArchive::contents() {
    QFETCH(QStringList, version);
    QFETCH(QStringList, expected);
    expected.sort();
    TestWorkspace ws;
    ws.CreateFile("outside/secret.txt", "secret");
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    Build(folder, version);
    const QString target = ws.Path() + "out/Acme.zip";
    QDir().mkpath(ws.Path() + "out");

    VersionArchive archive;
    qint64 lastDone = -1;
    qint64 lastTotal = -1;
    bool forward = true;
    archive.SetProgress([&](qint64 done, qint64 total, const QString&) {
        forward = forward && done >= lastDone && done <= total;
        lastDone = done;
        lastTotal = total;
        return true;
    });
    QVERIFY2(archive.Write(folder, target), qPrintable(archive.Error()));
    QVERIFY2(forward, "progress runs forward within the total");

    const ReadBack back = ReadZip(target);
    QVERIFY(back.ok);
    QCOMPARE(back.entries, expected);
    for (const time_t time : back.times)
        QCOMPARE(time, EntryTime);
    QVERIFY(NamesFlaggedUtf8(ws.ReadFile("out/Acme.zip")));
    QCOMPARE(archive.Files(), int(std::count_if(expected.begin(), expected.end(),
                                                [](auto& e) { return !e.startsWith(u'D'); })));
    QCOMPARE(FilesIn(ws.Path() + "out"), QStringList{"Acme.zip"});
    qint64 bytes = 0;
    for (const QString& entry : expected) {
        if (entry.startsWith(u'F'))
            bytes += entry.section(u'=', 1).section(QStringLiteral(" (x)"), 0, 0).toUtf8().size();
    }
    QCOMPARE(lastTotal, bytes);
}

void TestVersionArchive::failureLeavesNoHalfArchive_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full") << "disk full"
                               << "No space left on device";
    QTest::newRow("write cut short") << "file size limit"
                                     << "Cannot write";
    QTest::newRow("unreadable file") << "unreadable"
                                     << "Cannot read %1big.bin";
    QTest::newRow("name not UTF-8") << "bad name"
                                    << "not UTF-8";
    QTest::newRow("cancelled") << "cancel"
                               << "cancelled";
}

void TestVersionArchive::failureLeavesNoHalfArchive() {
    QFETCH(QString, failure);
    QFETCH(QString, message);
    TestWorkspace ws;
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    // Random bytes do not shrink in the archive.
    QByteArray noise(256 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    ws.CreateFile("Acme/Harbour/Version 2/a.txt", "first");
    ws.CreateFile("Acme/Harbour/Version 2/big.bin", noise);
    QString out = ws.CreateDir("out");
    if (failure == QLatin1String("disk full")) {
        QString why;
        if (!ScratchMount::Tmpfs(out, 128 * 1024, &why))
            QSKIP(qPrintable(why));
    }
    auto unmount = qScopeGuard([&] {
        if (failure == QLatin1String("disk full"))
            ScratchMount::Unmount(out);
    });
    // Qt cannot name it to remove it with the rest.
    const QByteArray latin1 = QFile::encodeName(folder) + "caf\xe9";
    auto removeLatin1 = qScopeGuard([&] { ::unlink(latin1.constData()); });
    if (failure == QLatin1String("bad name"))
        QVERIFY(::close(::open(latin1.constData(), O_WRONLY | O_CREAT, 0644)) == 0);
    // An archive that was there stays as it was.
    const QString target = out + "Acme.zip";
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old archive");
    }

    VersionArchive archive;
    if (failure == QLatin1String("cancel")) {
        archive.SetProgress([](qint64, qint64, const QString& file) { return file != "big.bin"; });
    }
    bool written;
    if (failure == QLatin1String("file size limit")) {
        FileSizeLimit limit(64 * 1024);
        if (!limit.Active())
            QSKIP("The file size limit cannot be lowered here");
        written = archive.Write(folder, target);
    } else if (failure == QLatin1String("unreadable")) {
        QVERIFY(::chmod(QFile::encodeName(folder + "big.bin").constData(), 0) == 0);
        const NoReadOverride asUser;
        written = archive.Write(folder, target);
    } else {
        written = archive.Write(folder, target);
    }
    QVERIFY(!written);
    if (message.contains(QLatin1String("%1")))
        message = message.arg(folder);
    QVERIFY2(archive.Error().contains(message), qPrintable(archive.Error()));
    QCOMPARE(archive.Cancelled(), failure == QLatin1String("cancel"));
    QCOMPARE(FilesIn(out), QStringList{"Acme.zip"});
    QCOMPARE(ws.ReadFile("out/Acme.zip"), QByteArray("old archive"));
}

void TestVersionArchive::replacesAndCleansUp() {
    TestWorkspace ws;
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    ws.CreateFile("Acme/Harbour/Version 2/a.txt", "new");
    const QString out = ws.CreateDir("out");
    ws.CreateFile("out/Acme.zip", "old archive");
    // What a killed run left beside the target, and a file that only looks alike.
    ws.CreateFile("out/Acme.zip.Xy12ab", "half");
    ws.CreateFile("out/Acme.zip.keep", "not ours");
    ws.CreateFile("out/Other.zip.Xy12ab", "another file's");

    VersionArchive archive;
    QVERIFY2(archive.Write(folder, out + "Acme.zip"), qPrintable(archive.Error()));
    QCOMPARE(ReadZip(out + "Acme.zip").entries, QStringList{"F a.txt=new"});
    QCOMPARE(FilesIn(out), (QStringList{"Acme.zip", "Acme.zip.keep", "Other.zip.Xy12ab"}));

    // A folder at the target is never replaced.
    QVERIFY(QDir().mkpath(out + "Folder.zip"));
    QVERIFY(!archive.Write(folder, out + "Folder.zip"));
    QVERIFY(QFileInfo(out + "Folder.zip").isDir());
    QCOMPARE(FilesIn(out).size(), 4);
}

void TestVersionArchive::refusesWhereItMustNotGo() {
    TestWorkspace ws;
    const QString folder = ws.CreateDir("Acme/Harbour/Version 2");
    ws.CreateFile("Acme/Harbour/Version 2/a.txt", "a");
    ws.CreateDir("Acme/Harbour/Version 2/sub");
    QVERIFY(QFile::link(folder, ws.Path() + "alias"));
    VersionArchive archive;
    for (const QString& target :
         {folder + "self.zip", folder + "sub/self.zip", ws.Path() + "alias/self.zip"}) {
        QVERIFY(!archive.Write(folder, target));
        QVERIFY2(archive.Error().contains("inside that version"), qPrintable(archive.Error()));
    }
    QCOMPARE(FilesIn(folder), (QStringList{"a.txt", "sub"}));
    QVERIFY(FilesIn(folder + "sub").isEmpty());
    // Nor is a version read through a link to its folder.
    for (const QString& link : {ws.Path() + "alias", ws.Path() + "alias/"}) {
        QVERIFY(!archive.Write(link, ws.Path() + "linked.zip"));
        QVERIFY(!QFile::exists(ws.Path() + "linked.zip"));
    }
}

void TestVersionArchive::defaultFileName_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first version") << "version 1"
                                   << "Acme - Harbour - Version 1.zip";
    QTest::newRow("later version") << "Version 12"
                                   << "Acme - Harbour - Version 12.zip";
    QTest::newRow("a name of the user's own") << "draft version 3"
                                              << "Acme - Harbour - draft version 3.zip";
}

void TestVersionArchive::defaultFileName() {
    QFETCH(QString, version);
    QFETCH(QString, expected);
    QCOMPARE(VersionArchive::DefaultFileName("Acme", "Harbour", version), expected);
}

QUORVEL_TEST_MAIN(TestVersionArchive)
#include "tst_versionarchive.moc"
