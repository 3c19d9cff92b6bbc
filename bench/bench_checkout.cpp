// The check-out copy against `cp -a` of the same version folder, measured
// in the same run: about 2,000 files, 200 MB, in nested folders. The
// check-out puts its copy on disk before it shows it, so it is also held
// against `cp -a` followed by `sync`, and against `cp -a` followed by one
// syncfs of the file system, the check-out's own way of making it durable.
// (One fsync per file and folder instead costs several times the copy.)
#include "BenchSupport.h"
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
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/quorvel-bench-checkout-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const QString source = temp.path() + QStringLiteral("/Version 1");
    const qint64 bytes = BenchSupport::MakeVersionSource(source);
    if (bytes < 0)
        return 1;
    const int files = BenchSupport::CountFiles(source);
    std::printf("source: %d files, %.1f MB\n", files, double(bytes) / (1024 * 1024));
    BenchSupport::ReadAll(source);
    ::sync();

    // Every copy is kept until the end: ext4 skips the inodes of files
    // deleted in the last minute when it makes new ones, which would make
    // every copy after a deleted one slow.
    enum Way { Ours, Cp, CpSync, CpSyncfs, Ways };
    const char* names[Ways] = {"CopyFolderAs", "cp -a", "cp -a; sync", "cp -a; syncfs"};
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
            const bool copied =
                way == Ours ? CopyFolderAs(source, target, &error) : CopyWithCp(source, target);
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
        std::printf("%-14s median %7.1f ms (min %.1f, max %.1f)\n", names[way],
                    BenchSupport::MedianOf(ms[way]),
                    *std::min_element(ms[way].begin(), ms[way].end()),
                    *std::max_element(ms[way].begin(), ms[way].end()));
    }
    // Ratios within each round, where both met the same load.
    for (const Way baseline : {Cp, CpSync, CpSyncfs}) {
        std::vector<double> ratios;
        for (int round = 0; round < Rounds; ++round)
            ratios.push_back(ms[Ours][round] / ms[baseline][round]);
        const QByteArray name = QByteArray("CopyFolderAs / ") + names[baseline];
        BenchSupport::PrintRatios(name.constData(), ratios,
                                  baseline == CpSync ? "(aim <= 0.70)" : "");
    }
    return 0;
}
