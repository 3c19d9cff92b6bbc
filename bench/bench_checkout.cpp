// The check-out copy against `cp -a` of the same version folder, measured
// in the same run: about 2,000 files, 200 MB, in nested folders.
#include "platform/FileSystem.h"
#include "versioning/Filelist.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

constexpr int FileCount = 2000;
constexpr int LargeEvery = 50;                // 40 files of 4 MB ...
constexpr qint64 LargeSize = 4 * 1024 * 1024; // ... make 160 MB,
constexpr qint64 SmallMaxSize = 40 * 1024;    // the rest about 40 MB.
constexpr int Rounds = 7;

qint64 MakeSource(const QString& root) {
    QRandomGenerator random(20240305);
    QByteArray noise(LargeSize, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    qint64 total = 0;
    for (int i = 0; i < FileCount; ++i) {
        const QString folder = root + QStringLiteral("/Part %1/Section %2").arg(i % 20).arg(i % 3);
        QDir().mkpath(folder);
        const qint64 size = i % LargeEvery == 0 ? LargeSize : random.bounded(SmallMaxSize) + 1;
        QFile file(folder + QStringLiteral("/file %1.dat").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return -1;
        file.write(noise.constData() + (LargeSize - size) / 2, size);
        total += size;
    }
    QDir().mkpath(root + QStringLiteral("/empty"));
    QFile hidden(root + QStringLiteral("/.hidden"));
    hidden.open(QIODevice::WriteOnly);
    return total;
}

// Reads every file once, so both copies start from a warm cache.
void ReadAll(const QString& root) {
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.read(1 << 20).isEmpty()) {
            }
        }
    }
}

int CountFiles(const QString& root) {
    int count = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Leaves no dirty pages of one run for the next to write back.
void Settle(const QString& copy) {
    FileSystem::RemoveTree(copy);
    ::sync();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/quorvel-bench-checkout-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const QString source = temp.path() + QStringLiteral("/Version 1");
    const qint64 bytes = MakeSource(source);
    if (bytes < 0)
        return 1;
    const int files = CountFiles(source);
    std::printf("source: %d files, %.1f MB\n", files, double(bytes) / (1024 * 1024));
    ReadAll(source);
    ::sync();

    const QString ours = temp.path() + QStringLiteral("/Version 2");
    const QString theirs = temp.path() + QStringLiteral("/Version 3");
    std::vector<double> oursMs;
    std::vector<double> theirsMs;
    for (int round = 0; round < Rounds; ++round) {
        // Alternate who goes first, so neither always meets the other's leftovers.
        for (int turn = 0; turn < 2; ++turn) {
            const bool oursNow = (round + turn) % 2 == 0;
            QElapsedTimer timer;
            timer.start();
            if (oursNow) {
                QString error;
                if (!CopyFolderAs(source, ours, &error)) {
                    std::fprintf(stderr, "copy failed: %s\n", qPrintable(error));
                    return 1;
                }
                oursMs.push_back(double(timer.nsecsElapsed()) / 1e6);
                if (CountFiles(ours) != files) {
                    std::fprintf(stderr, "the copy is incomplete\n");
                    return 1;
                }
                Settle(ours);
            } else {
                if (QProcess::execute(QStringLiteral("cp"),
                                      {QStringLiteral("-a"), source, theirs}) != 0) {
                    std::fprintf(stderr, "cp -a failed\n");
                    return 1;
                }
                theirsMs.push_back(double(timer.nsecsElapsed()) / 1e6);
                Settle(theirs);
            }
        }
        std::printf("round %d: CopyFolderAs %8.1f ms   cp -a %8.1f ms\n", round + 1, oursMs.back(),
                    theirsMs.back());
    }
    const double oursMedian = Median(oursMs);
    const double theirsMedian = Median(theirsMs);
    const double oursBest = *std::min_element(oursMs.begin(), oursMs.end());
    const double theirsBest = *std::min_element(theirsMs.begin(), theirsMs.end());
    std::printf("median: CopyFolderAs %.1f ms, cp -a %.1f ms, ratio %.2f\n", oursMedian,
                theirsMedian, oursMedian / theirsMedian);
    std::printf("best:   CopyFolderAs %.1f ms, cp -a %.1f ms, ratio %.2f (target <= 1.10)\n",
                oursBest, theirsBest, oursBest / theirsBest);
    return 0;
}
