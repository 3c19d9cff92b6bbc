#pragma once

// Shared by the benchmark programs: a large generated workspace, a timer,
// the peak memory of the process and the waits of its event loop.

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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

// The data file of version number v: every tenth checked out, a few
// owners, dates and editors that repeat as in real work.
inline QByteArray VersionDataFile(int v) {
    static const char* const owners[] = {"anna", "bert", "carla", "dmitri", "eve"};
    return QStringLiteral("<Version state=\"%1\" parent=\"Version %2\" >\r<Editor>\r"
                          "/usr/bin/editor</Editor>\r    <Date_time>\r        "
                          "%3-12-2026 12:00:00\r    </Date_time>\r    <Owner>\r"
                          "        %4\r    </Owner>\r    <Description>\r"
                          "        Work of the day %5\r    </Description>\r</Version>\r\n")
        .arg(v % 10 ? QStringLiteral("checked in") : QStringLiteral("checked out"))
        .arg(v - 1)
        .arg(v % 28 + 1, 2, 10, QChar(u'0'))
        .arg(QLatin1String(owners[v % 5]))
        .arg(v)
        .toLatin1();
}

// Like LargeWorkspace, but every version also has its data file. The
// catalogue file is left to the program. Returns the path with "/".
// Written with plain mkdir/open/write: at a million versions QDir::mkpath
// and QFile cost more than the file system itself.
inline QString WorkspaceWithData(const QString& root, int clients, int projects, int versions) {
    const QString path =
        root + QStringLiteral("/data-%1x%2x%3/").arg(clients).arg(projects).arg(versions);
    const QString marker = path + QStringLiteral(".complete");
    if (QFile::exists(marker))
        return path;
    QDir().mkpath(path);
    const long total = long(clients) * projects * versions;
    std::fprintf(stderr, "generating %ld versions with data files in %s ...\n", total,
                 qPrintable(path));
    std::vector<QByteArray> dataFiles;
    for (int v = 1; v <= versions; ++v)
        dataFiles.push_back(VersionDataFile(v));
    auto writeFile = [](const std::string& file, const char* bytes, size_t size) {
        const int out = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0)
            return;
        if (::write(out, bytes, size) != ssize_t(size))
            std::fprintf(stderr, "could not write %s\n", file.c_str());
        ::close(out);
    };
    const std::string base = QFile::encodeName(path).toStdString();
    QElapsedTimer timer;
    timer.start();
    for (int c = 0; c < clients; ++c) {
        const std::string client = base + "Client " + std::to_string(c) + '/';
        ::mkdir(client.c_str(), 0755);
        for (int p = 0; p < projects; ++p) {
            const std::string project = client + "Project " + std::to_string(p) + '/';
            ::mkdir(project.c_str(), 0755);
            for (int v = 1; v <= versions; ++v) {
                const std::string version =
                    project + (v == 1 ? std::string("version 1") : "Version " + std::to_string(v)) +
                    '/';
                ::mkdir(version.c_str(), 0755);
                static const char work[] = "some work\n";
                writeFile(version + "work.txt", work, sizeof work - 1);
                const QByteArray& data = dataFiles[size_t(v - 1)];
                writeFile(version + "QuorvelConfig.xml", data.constData(), size_t(data.size()));
            }
        }
        if (clients >= 100 && (c + 1) % (clients / 20) == 0) {
            std::fprintf(stderr, "  %ld of %ld versions, %.0f s\n",
                         long(c + 1) * projects * versions, total, double(timer.elapsed()) / 1e3);
        }
    }
    QFile done(marker);
    done.open(QIODevice::WriteOnly);
    return path;
}

// A version folder like real work: about 2,000 files, 200 MB, in nested
// folders, with a hidden file and an empty folder (or fileCount files, a
// tenth of the size per thousand). Returns the bytes written, or -1.
inline qint64 MakeVersionSource(const QString& root, int fileCount = 2000) {
    constexpr int largeEvery = 50;                // 40 files of 4 MB ...
    constexpr qint64 largeSize = 4 * 1024 * 1024; // ... make 160 MB,
    constexpr qint64 smallMaxSize = 40 * 1024;    // the rest about 40 MB.
    QRandomGenerator random(20240305);
    QByteArray noise(largeSize, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    qint64 total = 0;
    for (int i = 0; i < fileCount; ++i) {
        const QString folder = root + QStringLiteral("/Part %1/Section %2").arg(i % 20).arg(i % 3);
        QDir().mkpath(folder);
        const qint64 size = i % largeEvery == 0 ? largeSize : random.bounded(smallMaxSize) + 1;
        QFile file(folder + QStringLiteral("/file %1.dat").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return -1;
        file.write(noise.constData() + (largeSize - size) / 2, size);
        total += size;
    }
    QDir().mkpath(root + QStringLiteral("/empty"));
    QFile hidden(root + QStringLiteral("/.hidden"));
    hidden.open(QIODevice::WriteOnly);
    return total;
}

// Reads every file once, so that copies start from a warm cache.
inline void ReadAll(const QString& root) {
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.read(1 << 20).isEmpty()) {
            }
        }
    }
}

inline int CountFiles(const QString& root) {
    int count = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

// One run of a whole process, its output thrown away (or kept in the
// file output): the wall and processor (user + system) time in
// milliseconds and the peak resident memory.
struct ProcessRun {
    double ms = 0;
    double cpuMs = 0;
    qint64 peakBytes = 0;
    int status = -1;
};

inline ProcessRun RunProcess(const QStringList& command, const QString& output = QString()) {
    std::vector<QByteArray> arguments;
    for (const QString& argument : command)
        arguments.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray target =
        output.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(output);
    ProcessRun run;
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.peakBytes = qint64(usage.ru_maxrss) * 1024;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs whole processes from a helper forked while this process is still
// small. A child counts the memory of the process it was forked from in
// its peak, also after it has started another program, so a child of a
// benchmark that holds a large catalogue would seem as large as that.
// Make it before the benchmark grows.
class ProcessHelper {
public:
    ProcessHelper() {
        int toHelper[2];
        int fromHelper[2];
        if (::pipe(toHelper) != 0 || ::pipe(fromHelper) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(toHelper[1]);
            ::close(fromHelper[0]);
            for (;;) {
                quint32 size = 0;
                if (!Transfer(::read, toHelper[0], &size, sizeof size))
                    ::_exit(0);
                QByteArray message(qsizetype(size), Qt::Uninitialized);
                if (!Transfer(::read, toHelper[0], message.data(), size))
                    ::_exit(0);
                QStringList command;
                for (const QByteArray& argument : message.split('\0'))
                    command << QFile::decodeName(argument);
                command.removeLast();
                const ProcessRun run = RunProcess(command);
                Transfer(::write, fromHelper[1], const_cast<ProcessRun*>(&run), sizeof run);
            }
        }
        ::close(toHelper[0]);
        ::close(fromHelper[1]);
        to_ = toHelper[1];
        from_ = fromHelper[0];
    }
    ~ProcessHelper() {
        ::close(to_);
        ::close(from_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    ProcessHelper(const ProcessHelper&) = delete;
    ProcessHelper& operator=(const ProcessHelper&) = delete;

    ProcessRun Run(const QStringList& command) { return Start(command) ? Finish() : ProcessRun(); }

    // Run in two halves, so that the caller's event loop turns meanwhile:
    // once ResultHandle is readable, Finish returns at once.
    bool Start(const QStringList& command) {
        QByteArray message;
        for (const QString& argument : command)
            message += QFile::encodeName(argument) + '\0';
        quint32 size = quint32(message.size());
        return Transfer(::write, to_, &size, sizeof size) &&
               Transfer(::write, to_, message.data(), size);
    }
    ProcessRun Finish() {
        ProcessRun run;
        if (!Transfer(::read, from_, &run, sizeof run))
            run.status = -1;
        return run;
    }
    int ResultHandle() const { return from_; }

private:
    template <typename Call> static bool Transfer(Call call, int fd, void* data, size_t size) {
        char* at = static_cast<char*>(data);
        while (size > 0) {
            const ssize_t done = call(fd, at, size);
            if (done <= 0)
                return false;
            at += done;
            size -= size_t(done);
        }
        return true;
    }

    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
};

// Prints "name: min / median / max" of ratios over the rounds.
inline void PrintRatios(const char* name, std::vector<double> ratios, const char* aim = "") {
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-44s min %.2f  median %.2f  max %.2f  over %zu rounds %s\n", name, ratios.front(),
                ratios[ratios.size() / 2], ratios.back(), ratios.size(), aim);
}

inline double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

// Prints "name: min / median / max" of milliseconds over the rounds.
inline void PrintMs(const char* name, std::vector<double> ms, const char* aim = "") {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s min %8.1f  median %8.1f  max %8.1f ms  over %zu rounds %s\n", name,
                ms.front(), ms[ms.size() / 2], ms.back(), ms.size(), aim);
}

// The machine's load, since a shared machine stretches every figure.
inline void PrintLoad(const char* when) {
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray text =
        load.open(QIODevice::ReadOnly) ? load.readAll().trimmed() : QByteArray("unknown");
    std::printf("load (/proc/loadavg) at %s: %s\n", when, text.constData());
    std::fflush(stdout);
}

// The longest time between two turns of the event loop while it lives: a
// timer fires at every turn that handles events, so a gap is as long as
// input would have waited. Also the longest processor time this thread
// spent between two turns, which other work on the machine does not
// stretch. With 0 ms the timer fires at every turn but keeps a processor
// busy; with a few milliseconds the loop may sleep, and a gap reads up to
// that much longer.
class LoopGaps {
public:
    explicit LoopGaps(int intervalMs = 0) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Turn(); });
        clock_.start();
        lastProcessor_ = ProcessorMs();
        timer_.start();
    }
    // Wall and processor milliseconds, up to now.
    std::pair<double, double> Longest() {
        Turn();
        return {longest_, longestProcessor_};
    }

private:
    static double ProcessorMs() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    }
    void Turn() {
        const double now = double(clock_.nsecsElapsed()) / 1e6;
        const double processor = ProcessorMs();
        longest_ = std::max(longest_, now - last_);
        longestProcessor_ = std::max(longestProcessor_, processor - lastProcessor_);
        last_ = now;
        lastProcessor_ = processor;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = 0;
    double lastProcessor_ = 0;
    double longest_ = 0;
    double longestProcessor_ = 0;
};

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

// Every data file below root, as a list for xargs (one path and a NUL
// each) in the file listFile; returns how many.
inline int WriteDataFileList(const QString& root, const QString& listFile) {
    QFile out(listFile);
    if (!out.open(QIODevice::WriteOnly))
        return -1;
    int count = 0;
    QDirIterator it(root, {QStringLiteral("QuorvelConfig.xml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        // The workspace's catalogue is no data file.
        if (QFileInfo(file).path() + u'/' == root)
            continue;
        out.write(QFile::encodeName(file) + '\0');
        ++count;
    }
    return count;
}

// Takes the files named in listFile (as WriteDataFileList writes it) out
// of the page cache, as on a morning start: each file is told the kernel
// may drop it, which needs no rights, and where this process may, every
// cache (folders and inodes too) is dropped. Returns whether the latter was
// done.
inline bool EvictFromCache(const QString& listFile) {
    ::sync();
    QFile list(listFile);
    if (list.open(QIODevice::ReadOnly)) {
        for (const QByteArray& file : list.readAll().split('\0')) {
            if (file.isEmpty())
                continue;
            const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
    const int drop = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (drop < 0)
        return false;
    const bool dropped = ::write(drop, "3\n", 2) == 2;
    ::close(drop);
    return dropped;
}

inline QString BenchRoot(int argc, char** argv) {
    return argc > 1 ? QString::fromLocal8Bit(argv[1])
                    : QDir::tempPath() + QStringLiteral("/quorvel-bench");
}

} // namespace BenchSupport
