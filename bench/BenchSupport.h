#pragma once

// Shared by the benchmark programs: a large generated workspace, a timer
// and the peak memory of the process.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace BenchSupport {

// Creates (once; later runs reuse it) a workspace of clients x projects x
// versions folders, each version holding one small file. Returns its path
// with "/".
inline QString LargeWorkspace(const QString& root, int clients = 100, int projects = 20,
                              int versions = 50) {
    const QString path =
        root + QStringLiteral("/workspace-%1x%2x%3/").arg(clients).arg(projects).arg(versions);
    const QString marker = path + QStringLiteral(".complete");
    if (QFile::exists(marker))
        return path;
    QDir().mkpath(path);
    std::fprintf(stderr, "generating %d folders in %s ...\n", clients * projects * versions,
                 qPrintable(path));
    for (int c = 0; c < clients; ++c) {
        for (int p = 0; p < projects; ++p) {
            for (int v = 1; v <= versions; ++v) {
                const QString version =
                    path + QStringLiteral("Client %1/Project %2/%3")
                               .arg(c)
                               .arg(p)
                               .arg(v == 1 ? QStringLiteral("version 1")
                                           : QStringLiteral("Version %1").arg(v));
                QDir().mkpath(version);
                QFile file(version + QStringLiteral("/work.txt"));
                if (file.open(QIODevice::WriteOnly))
                    file.write("some work\n");
            }
        }
    }
    QFile done(marker);
    done.open(QIODevice::WriteOnly);
    return path;
}

// The best of a few runs, in milliseconds.
inline double BestOf(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (ms < best)
            best = ms;
    }
    return best;
}

// Peak resident memory of this process so far, in bytes.
inline qint64 PeakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

inline QString BenchRoot(int argc, char** argv) {
    return argc > 1 ? QString::fromLocal8Bit(argv[1])
                    : QDir::tempPath() + QStringLiteral("/quorvel-bench");
}

} // namespace BenchSupport
