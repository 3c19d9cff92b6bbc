// The check-out copy against `cp -a` of the same version folder, measured
// in the same run: about 2,000 files, 200 MB, in nested folders. The
// check-out puts its copy on disk before it shows it, so it is also held
// against `cp -a` followed by `sync`, and against `cp -a` followed by one
// syncfs of the file system. It is measured both ways it can do that: one
// syncfs of the file system, and a sync of each file and folder (its way
// where syncfs does not reach the storage, as on FUSE), whatever the file
// system under the temporary folder is; the run says which way the check-out
// takes there.
//
// On a FUSE file system: mount one (e.g. tests/powercutfs, built without
// sanitizers), then `TMPDIR=/its/mountpoint bench_checkout --files 500`
// (powercutfs holds every copy in memory: 500 files are about 50 MB each).
#include "BenchSupport.h"
#include "platform/DurabilityRule.h"
#include "versioning/Filelist.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

int FileCount = 2000;
constexpr int Rounds = 7;

void SyncFs(const QString& root) {
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

bool CopyWithCp(const QString& source, const QString& target) {
    return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), source, target}) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--files" && QByteArray(argv[2]).toInt() > 0) {
        FileCount = QByteArray(argv[2]).toInt();
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--files N]\n", argv[0]);
        return 2;
    }
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/quorvel-bench-checkout-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const QString source = temp.path() + QStringLiteral("/Version 1");
    const qint64 bytes = BenchSupport::MakeVersionSource(source, FileCount);
    if (bytes < 0)
        return 1;
    const int files = BenchSupport::CountFiles(source);
    std::printf("source: %d files, %.1f MB\n", files, double(bytes) / (1024 * 1024));
    BenchSupport::ReadAll(source);
    ::sync();
    {
        const int fd = ::open(QFile::encodeName(temp.path()).constData(), O_RDONLY | O_CLOEXEC);
        std::printf("the check-out here: %s\n", DurabilityRule::SyncfsReachesStorage(fd)
                                                    ? "one syncfs"
                                                    : "a sync of each file and folder");
        ::close(fd);
    }

    // Every copy is kept until the end: ext4 skips the inodes of files
    // deleted in the last minute when it makes new ones, which would make
    // every copy after a deleted one slow.
    enum Way { Ours, OursEach, Cp, CpSync, CpSyncfs, Ways };
    const char* names[Ways] = {"CopyFolderAs, syncfs", "CopyFolderAs, fsync each", "cp -a",
                               "cp -a; sync", "cp -a; syncfs"};
    std::vector<double> ms[Ways];
    for (int round = 0; round < Rounds; ++round) {
        // A different one goes first each round, so none always meets the
        // others' leftovers.
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            const QString target =
                temp.path() + QStringLiteral("/Version %1").arg(2 + round * Ways + way);
            // Leaves no dirty pages of one run for the next to write back.
            ::sync();
            QElapsedTimer timer;
            timer.start();
            QString error;
            bool copied;
            if (way == Ours || way == OursEach) {
                DurabilityRule::SetAnswerForBenchmarks(way == Ours ? DurabilityRule::Answer::Yes
                                                                   : DurabilityRule::Answer::No);
                copied = CopyFolderAs(source, target, &error);
            } else {
                copied = CopyWithCp(source, target);
            }
            if (!copied) {
                std::fprintf(stderr, "%s failed: %s\n", names[way], qPrintable(error));
                return 1;
            }
            if (way == CpSync)
                ::sync();
            else if (way == CpSyncfs)
                SyncFs(target);
            ms[way].push_back(double(timer.nsecsElapsed()) / 1e6);
            if (BenchSupport::CountFiles(target) != files) {
                std::fprintf(stderr, "the copy of %s is incomplete\n", names[way]);
                return 1;
            }
        }
        std::printf("round %d:", round + 1);
        for (int way = 0; way < Ways; ++way)
            std::printf("  %s %.0f ms", names[way], ms[way].back());
        std::printf("\n");
    }
    for (int way = 0; way < Ways; ++way) {
        std::printf("%-24s median %7.1f ms (min %.1f, max %.1f)\n", names[way],
                    BenchSupport::MedianOf(ms[way]),
                    *std::min_element(ms[way].begin(), ms[way].end()),
                    *std::max_element(ms[way].begin(), ms[way].end()));
    }
    // Ratios within each round, where both met the same load.
    const auto ratio = [&](Way way, Way baseline, const char* aim) {
        std::vector<double> ratios;
        for (int round = 0; round < Rounds; ++round)
            ratios.push_back(ms[way][round] / ms[baseline][round]);
        const QByteArray name = QByteArray(names[way]) + " / " + names[baseline];
        BenchSupport::PrintRatios(name.constData(), ratios, aim);
    };
    for (const Way baseline : {Cp, CpSync, CpSyncfs})
        ratio(Ours, baseline, baseline == CpSync ? "(aim <= 0.70)" : "");
    ratio(OursEach, Ours, "(the cost of a sync of each file)");
    return 0;
}
