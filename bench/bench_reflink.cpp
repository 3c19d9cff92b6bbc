// A check-out where the file system shares blocks between copies: the
// whole `quorvel-cli checkout` of a version of 200 files, 1 GB, against
// `cp -a` (which reflinks too where it can) and `cp -a --reflink=never` of
// the same folder, and the check-out's copy alone (in this process, without
// the program's start and the catalogue), measured in the same run: the time, the sync of the file
// system after it (the check-out syncs before it shows the version; cp
// does not), the disk space each copy took (statfs before and after) and
// what deleting the copy would free (VersionSize, as `quorvel-cli du`).
//
//   bench_reflink [--files N] [--mb M] [--rounds R] [FOLDER]
//
// Without FOLDER it makes an XFS file system with reflinks in an image file
// in the temporary folder and mounts it through a loop device in a mount
// table of its own (needs root and mkfs.xfs from xfsprogs; else it says so
// and does nothing). With FOLDER it works there (on XFS, Btrfs, or any file
// system, to compare).

#include "BenchSupport.h"
#include "versioning/Filelist.h"
#include "versioning/VersionSize.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;

qint64 UsedBytes(const QString& folder) {
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_blocks - info.f_bfree) * qint64(info.f_bsize);
}

const char* FileSystemName(const QString& folder) {
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x58465342:
        return "XFS";
    case 0x9123683E:
        return "Btrfs";
    case 0xEF53:
        return "ext4";
    case 0x01021994:
        return "tmpfs";
    default:
        return "other";
    }
}

double SyncMs(const QString& folder) {
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

bool Run(const QStringList& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    const bool ok = process.waitForFinished(600000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(command.join(u' ')),
                     process.readAll().constData());
    return ok;
}

// An XFS with reflinks of its own at folder, in image; false (with a note)
// when this machine cannot have one.
bool MountXfs(const QString& image, const QString& folder, qint64 bytes) {
    const QString mkfs = QStandardPaths::findExecutable(
        QStringLiteral("mkfs.xfs"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (::geteuid() != 0) {
        std::printf("skipped: mounting an XFS image through a loop device needs root "
                    "(or give a folder on XFS or Btrfs)\n");
        return false;
    }
    if (mkfs.isEmpty()) {
        std::printf("skipped: mkfs.xfs is not installed (apt-get install xfsprogs)\n");
        return false;
    }
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        std::printf("skipped: no mount table of our own here\n");
        return false;
    }
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes))
        return false;
    file.close();
    if (!Run({mkfs, QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("reflink=1"),
              image}) ||
        !Run({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("loop"), image,
              folder})) {
        std::printf("skipped: the XFS image could not be made or mounted\n");
        return false;
    }
    return true;
}

// fileCount files of megabytes / fileCount MiB each, of random bytes.
bool MakeVersion(const QString& folder, int fileCount, qint64 megabytes) {
    const qint64 size = megabytes * MiB / fileCount;
    QByteArray noise(size + 4096, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    for (int i = 0; i < fileCount; ++i) {
        const QString sub = folder + QStringLiteral("Part %1/").arg(i % 10);
        QDir().mkpath(sub);
        QFile file(sub + QStringLiteral("file %1.dat").arg(i));
        // A different slice each, so that no two files are alike.
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(noise.constData() + (i * 16) % 4096, size) != size)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int fileCount = 200;
    qint64 megabytes = 1024;
    int rounds = 3;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        if (i + 1 < argc && argument == "--files") {
            fileCount = std::max(1, QByteArray(argv[++i]).toInt());
        } else if (i + 1 < argc && argument == "--mb") {
            megabytes = std::max(1, QByteArray(argv[++i]).toInt());
        } else if (i + 1 < argc && argument == "--rounds") {
            rounds = std::max(1, QByteArray(argv[++i]).toInt());
        } else if (!argument.startsWith('-') && folder.isEmpty()) {
            folder = QFile::decodeName(argument);
        } else {
            std::fprintf(stderr, "usage: %s [--files N] [--mb M] [--rounds R] [FOLDER]\n", argv[0]);
            return 2;
        }
    }
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-cli");
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "no quorvel-cli beside the benchmark (%s)\n", qPrintable(cli));
        return 1;
    }

    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/quorvel-bench-reflink-XXXXXX"));
    if (!temp.isValid())
        return 1;
    QString root;
    bool mounted = false;
    if (folder.isEmpty()) {
        root = temp.path() + QStringLiteral("/xfs/");
        QDir().mkpath(root);
        // The source, every copy that shares nothing, and room for XFS itself.
        const qint64 image = (megabytes * (rounds + 2) + 600) * MiB;
        if (!MountXfs(temp.path() + QStringLiteral("/xfs.img"), root, image))
            return 0;
        mounted = true;
    } else {
        root = QDir(folder).absoluteFilePath(QStringLiteral("quorvel-bench-reflink")) + u'/';
        if (QFileInfo::exists(root) || !QDir().mkpath(root)) {
            std::fprintf(stderr, "%s exists or cannot be made\n", qPrintable(root));
            return 1;
        }
    }
    const QString workspace = root + QStringLiteral("ws/");
    const QString source = workspace + QStringLiteral("Bench/Reflink/version 1/");
    int status = 0;
    [&] {
        if (!MakeVersion(source, fileCount, megabytes) ||
            !Run({cli, QStringLiteral("-w"), workspace, QStringLiteral("rebuild")})) {
            status = 1;
            return;
        }
        SyncMs(root);
        std::printf("%s at %s: a version of %d files, %lld MB; %d rounds\n", FileSystemName(root),
                    qPrintable(root), fileCount, static_cast<long long>(megabytes), rounds);
        BenchSupport::PrintLoad("start");

        enum Way { CheckOut, Copy, Cp, CpNoReflink, Ways };
        const char* names[Ways] = {"quorvel-cli checkout", "its copy (CopyFolderAs)", "cp -a",
                                   "cp -a --reflink=never"};
        std::vector<double> ms[Ways];
        std::vector<double> syncMs[Ways];
        std::vector<double> spaceMb[Ways];
        std::vector<double> freedMb[Ways];
        int nextVersion = 2;
        for (int round = 0; round < rounds; ++round) {
            for (int turn = 0; turn < Ways; ++turn) {
                const Way way = Way((round + turn) % Ways);
                QString copy;
                QStringList command;
                if (way == CheckOut) {
                    copy =
                        workspace + QStringLiteral("Bench/Reflink/Version %1/").arg(nextVersion++);
                    command = {cli,
                               QStringLiteral("-w"),
                               workspace,
                               QStringLiteral("checkout"),
                               QStringLiteral("Bench"),
                               QStringLiteral("Reflink"),
                               QStringLiteral("1")};
                } else {
                    copy = root + QStringLiteral("copy %1-%2/").arg(round).arg(way);
                    command = {QStringLiteral("cp"), QStringLiteral("-a")};
                    if (way == CpNoReflink)
                        command << QStringLiteral("--reflink=never");
                    command << source << copy;
                }
                SyncMs(root);
                const qint64 before = UsedBytes(root);
                double took;
                if (way == Copy) {
                    // In this process, without the program's start and the
                    // catalogue: the copy alone, put on disk as a check-out's is.
                    QElapsedTimer timer;
                    timer.start();
                    QString error;
                    if (!CopyFolderAs(source, copy, &error)) {
                        std::fprintf(stderr, "CopyFolderAs: %s\n", qPrintable(error));
                        status = 1;
                        return;
                    }
                    took = double(timer.nsecsElapsed()) / 1e6;
                } else {
                    const BenchSupport::ProcessRun run = BenchSupport::RunProcess(command);
                    if (run.status != 0) {
                        std::fprintf(stderr, "%s failed\n", qPrintable(command.join(u' ')));
                        status = 1;
                        return;
                    }
                    took = run.ms;
                }
                syncMs[way].push_back(SyncMs(root));
                ms[way].push_back(took);
                spaceMb[way].push_back(double(UsedBytes(root) - before) / double(MiB));
                VersionSize size;
                if (!size.Measure(copy)) {
                    std::fprintf(stderr, "%s\n", qPrintable(size.Error()));
                    status = 1;
                    return;
                }
                freedMb[way].push_back(double(size.Result().Unshared()) / double(MiB));
            }
        }
        std::printf("%-24s %12s %14s %14s %18s\n", "median of the rounds", "time ms",
                    "sync after ms", "space MB", "deleting frees MB");
        for (int way = 0; way < Ways; ++way) {
            std::printf("%-24s %12.1f %14.1f %14.1f %18.1f\n", names[way],
                        BenchSupport::MedianOf(ms[way]), BenchSupport::MedianOf(syncMs[way]),
                        BenchSupport::MedianOf(spaceMb[way]), BenchSupport::MedianOf(freedMb[way]));
        }
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round)
            ratios.push_back((ms[CheckOut][round] + syncMs[CheckOut][round]) /
                             (ms[CpNoReflink][round] + syncMs[CpNoReflink][round]));
        BenchSupport::PrintRatios("checkout / cp -a --reflink=never, synced", ratios);
        ratios.clear();
        for (int round = 0; round < rounds; ++round)
            ratios.push_back((ms[CheckOut][round] + syncMs[CheckOut][round]) /
                             (ms[Cp][round] + syncMs[Cp][round]));
        BenchSupport::PrintRatios("checkout / cp -a, synced", ratios);
        BenchSupport::PrintLoad("end");
    }();
    if (mounted)
        ::umount2(QFile::encodeName(root).constData(), MNT_DETACH);
    else
        QDir(root).removeRecursively();
    return status;
}
