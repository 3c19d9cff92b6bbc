// What the workspace lock costs. A whole check-out through the version
// manager (the copy of a version of about 2,000 files, 200 MB, and the save
// of a catalogue of 100,000 more versions) against lock cycles with no
// save: the lock taken, the catalogue file looked at, the lock let go. A
// check-out takes the lock twice, so its share is 2 x cycle / check-out.
// The two take turns, a different one first each round. Also shows that
// `quorvel-cli list` takes no lock at all, under strace where there is one.
//
//   bench_lock [folder]
//
// The workspace (100,000 versions with data files and the 200 MB version)
// is made once under folder/lock and kept; the check-outs are removed at
// the end.

#include "BenchSupport.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/ProgramPaths.h"
#include "platform/UserInterface.h"
#include "storage/TConfigStreamer.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/WorkspaceChange.h"
#include "workspace/WorkspaceLock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRounds = 7;
constexpr int kCycles = 2000;

const QString kClient = QStringLiteral("Lock bench");
const QString kProject = QStringLiteral("Checkout");
const QString kSource = QStringLiteral("version 1");

// Nobody is there to answer: every question is declined, and what the
// program would show goes to stderr, so that a failed check-out says why.
class BenchUser final : public UserInterface {
public:
    void ShowMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    void ShowError(const QString& text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    bool Confirm(const QString&) override { return false; }
    std::optional<QString> AskName(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskCheckIn(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<QString> AskFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    void ProcessPendingEvents() override {}
    void BeginBusy() override {}
    void EndBusy() override {}
};

TVersionItem* Child(TVersionCollection* level, const QString& name) {
    return level ? level->ItemByName(name) : nullptr;
}

TVersionCollection* BenchVersions() {
    TVersionItem* client = Child(ProjectMngr->Clients(), kClient);
    TVersionItem* project = client ? Child(client->VersionCollection(), kProject) : nullptr;
    return project ? project->VersionCollection() : nullptr;
}

// The milliseconds of one lock cycle, the mean over kCycles; with changed,
// each also counts a change, as the check-out's second lock does.
double LockCycleMs(bool changed) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kCycles; ++i) {
        WorkspaceChange change(*ProjectMngr);
        if (changed)
            change.Changed();
    }
    return double(timer.nsecsElapsed()) / 1e6 / kCycles;
}

struct FileTimes {
    bool exists = false;
    timespec mtime{};
    timespec ctime{};
    qint64 size = 0;
};

FileTimes TimesOf(const QString& file) {
    FileTimes times;
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return times;
    times.exists = true;
    times.mtime = info.st_mtim;
    times.ctime = info.st_ctim;
    times.size = info.st_size;
    return times;
}

void PrintTimes(const char* when, const FileTimes& times) {
    if (!times.exists) {
        std::printf("  .quorvel-lock %s: absent\n", when);
        return;
    }
    std::printf("  .quorvel-lock %s: size %lld, mtime %lld.%09ld, ctime %lld.%09ld\n", when,
                static_cast<long long>(times.size), static_cast<long long>(times.mtime.tv_sec),
                times.mtime.tv_nsec, static_cast<long long>(times.ctime.tv_sec),
                times.ctime.tv_nsec);
}

bool SameTimes(const FileTimes& a, const FileTimes& b) {
    return a.exists == b.exists && a.size == b.size && a.mtime.tv_sec == b.mtime.tv_sec &&
           a.mtime.tv_nsec == b.mtime.tv_nsec && a.ctime.tv_sec == b.ctime.tv_sec &&
           a.ctime.tv_nsec == b.ctime.tv_nsec;
}

// The lines of an strace of command (with its children) that request or
// test a lock, or name the lock file; null when strace is not installed.
struct Trace {
    bool traced = false;
    int status = -1;
    double ms = 0;
    int calls = 0;
    QList<QByteArray> lockLines;
};

Trace Traced(const QStringList& command, const QString& syscalls, const QString& output) {
    Trace trace;
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        return trace;
    // Only the traced calls stop the process: list opens 100,000 data files.
    const BenchSupport::ProcessRun run = BenchSupport::RunProcess(
        QStringList{strace, QStringLiteral("--seccomp-bpf"), QStringLiteral("-f"),
                    QStringLiteral("-e"), QStringLiteral("trace=") + syscalls, QStringLiteral("-o"),
                    output} +
        command);
    trace.status = run.status;
    trace.ms = run.ms;
    QFile in(output);
    if (!in.open(QIODevice::ReadOnly))
        return trace;
    trace.traced = true;
    for (const QByteArray& line : in.readAll().split('\n')) {
        if (line.contains('('))
            ++trace.calls;
        if (line.contains("SETLK") || line.contains("GETLK") ||
            line.contains(WorkspaceLock::FileName().toLatin1()))
            trace.lockLines << line;
    }
    return trace;
}

// `quorvel-cli list` as a whole process takes no lock and leaves the lock
// file as it was; strace shows every lock call and every opening of the
// lock file. A rebuild, which locks, is traced the same way to show that
// the trace would see a lock. False when list locked or changed the file.
bool ListTakesNoLock(const QString& cli, const QString& workspace, const QString& scratch) {
    const QString lockFile = workspace + WorkspaceLock::FileName();
    const QStringList list = {cli, QStringLiteral("-w"), workspace, QStringLiteral("list")};
    const FileTimes before = TimesOf(lockFile);
    const Trace trace = Traced(list, QStringLiteral("openat,fcntl,flock"),
                               scratch + QStringLiteral("/list.strace"));
    int status = trace.status;
    if (!trace.traced) {
        std::printf("strace is not installed: the lock file's times alone tell\n");
        status = BenchSupport::RunProcess(list).status;
    }
    const FileTimes after = TimesOf(lockFile);
    std::printf("quorvel-cli list: exit status %d\n", status);
    PrintTimes("before", before);
    PrintTimes("after ", after);
    bool clean = status == 0 && SameTimes(before, after);
    if (trace.traced) {
        int locks = 0;
        for (const QByteArray& line : trace.lockLines)
            locks += line.contains("SETLK") || line.contains("flock(") ? 1 : 0;
        std::printf("  strace --seccomp-bpf -f -e trace=openat,fcntl,flock (%.0f ms): %d calls, "
                    "%d of them lock requests; those and the opens of .quorvel-lock:\n",
                    trace.ms, trace.calls, locks);
        for (const QByteArray& line : trace.lockLines)
            std::printf("    %s\n", line.constData());
        clean = clean && locks == 0;
        const Trace control =
            Traced({cli, QStringLiteral("-w"), workspace, QStringLiteral("rebuild")},
                   QStringLiteral("fcntl,flock"), scratch + QStringLiteral("/rebuild.strace"));
        std::printf("  control, quorvel-cli rebuild under strace -e trace=fcntl,flock: exit "
                    "status %d, lock calls:\n",
                    control.status);
        for (const QByteArray& line : control.lockLines)
            std::printf("    %s\n", line.constData());
    }
    return clean;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BenchSupport::PrintLoad("start");
    const QString root = BenchSupport::BenchRoot(argc, argv) + QStringLiteral("/lock");
    const QString workspace = BenchSupport::WorkspaceWithData(root, 100, 20, 50);
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-cli");
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "%s is missing: build the quorvel-cli target\n", qPrintable(cli));
        return 1;
    }
    const QString project = workspace + kClient + u'/' + kProject + u'/';
    const QString source = project + kSource;
    const QString sourceMade = workspace + QStringLiteral(".lock-bench-source");
    if (!QFile::exists(sourceMade)) {
        std::fprintf(stderr, "making %s ...\n", qPrintable(source));
        QDir(source).removeRecursively();
        if (BenchSupport::MakeVersionSource(source) < 0)
            return 1;
        QFile data(source + u'/' + TConfigStreamer::ConfigFileName());
        if (!data.open(QIODevice::WriteOnly) || data.write(BenchSupport::VersionDataFile(1)) < 0)
            return 1;
        QFile(sourceMade).open(QIODevice::WriteOnly);
        QFile::remove(workspace + TConfigStreamer::ConfigFileName());
    }
    // What an earlier run left (it was stopped): gone from the disk, and
    // a rebuild makes the catalogue without it.
    const QStringList left =
        QDir(project).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : left) {
        if (entry != kSource) {
            QDir(project + entry).removeRecursively();
            QFile::remove(workspace + TConfigStreamer::ConfigFileName());
        }
    }
    const int files = BenchSupport::CountFiles(source);
    qint64 bytes = 0;
    QDirIterator it(source, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        bytes += QFileInfo(it.next()).size();

    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    BenchUser user;
    QuorvelRuntime runtime(user, TQuorvelConfig::Access::ReadOnly);
    TVersionManager& versions = *runtime.VersionManager(nullptr);
    if (!QFile::exists(workspace + TConfigStreamer::ConfigFileName()))
        std::fprintf(stderr, "rebuilding %s ...\n", qPrintable(workspace));
    ProjectMngr->SetWorkSpace(workspace);
    TVersionCollection* benchVersions = BenchVersions();
    TVersionItem* sourceItem = Child(benchVersions, kSource);
    if (!sourceItem) {
        std::fprintf(stderr, "%s is not in the catalogue\n", qPrintable(source));
        return 1;
    }
    const qint64 catalogueBytes = QFileInfo(workspace + TConfigStreamer::ConfigFileName()).size();
    std::printf("workspace %s:\n  100,000 versions with data files (100 x 20 x 50), catalogue "
                "file %.1f MB,\n  and %s/%s/%s: %d files, %.1f MB\n",
                qPrintable(workspace), double(catalogueBytes) / 1048576, qPrintable(kClient),
                qPrintable(kProject), qPrintable(kSource), files, double(bytes) / 1048576);
    BenchSupport::ReadAll(source);

    std::vector<QString> made;
    auto checkOut = [&]() -> double {
        versions.SetActiveItem(Child(BenchVersions(), kSource));
        // Leaves no dirty pages of one run for the next to write back.
        ::sync();
        QElapsedTimer timer;
        timer.start();
        TVersion* version = versions.CheckOut();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (!version) {
            std::fprintf(stderr, "the check-out failed\n");
            std::exit(1);
        }
        made.push_back(version->Name());
        if (BenchSupport::CountFiles(version->Path()) != files) {
            std::fprintf(stderr, "the check-out %s is incomplete\n", qPrintable(version->Path()));
            std::exit(1);
        }
        return ms;
    };

    // A first run of each: the copy's source, the catalogue's text and
    // the lock file are then as they are in every later round.
    std::fprintf(stderr, "warming up ...\n");
    checkOut();
    LockCycleMs(false);
    LockCycleMs(true);

    // Every copy is kept until the end: ext4 skips the inodes of files
    // deleted in the last minute when it makes new ones (see bench_checkout).
    enum Way { CheckOut, Cycle, ChangedCycle, Ways };
    std::vector<double> ms[Ways];
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            if (way == CheckOut) {
                ms[way].push_back(checkOut());
            } else {
                ::sync();
                ms[way].push_back(LockCycleMs(way == ChangedCycle));
            }
        }
        std::printf("round %d: check-out %.1f ms, cycle %.1f us, counting cycle %.1f us\n",
                    round + 1, ms[CheckOut].back(), ms[Cycle].back() * 1e3,
                    ms[ChangedCycle].back() * 1e3);
        std::fflush(stdout);
    }

    std::printf("%d rounds; check-out and %d lock cycles of each kind take turns\n", kRounds,
                kCycles);
    BenchSupport::PrintMs("check-out (TVersionManager::CheckOut)", ms[CheckOut]);
    auto printCycle = [&](const char* name, const std::vector<double>& cycles) {
        std::vector<double> us = cycles;
        for (double& value : us)
            value *= 1e3;
        std::sort(us.begin(), us.end());
        std::printf("%-44s min %8.1f  median %8.1f  max %8.1f us over %zu rounds\n", name,
                    us.front(), us[us.size() / 2], us.back(), us.size());
    };
    printCycle("lock cycle (lock, catalogue stat, unlock)", ms[Cycle]);
    printCycle("lock cycle that counts a change", ms[ChangedCycle]);
    const double checkOutMs = BenchSupport::MedianOf(ms[CheckOut]);
    const double cycleMs = BenchSupport::MedianOf(ms[Cycle]);
    const double changedMs = BenchSupport::MedianOf(ms[ChangedCycle]);
    std::printf("the lock's share of a check-out, 2 x cycle / check-out median: %.4f %% "
                "(aim <= 2 %%)\n",
                200 * cycleMs / checkOutMs);
    std::printf("  with its second lock counting the change, (cycle + counting cycle) / "
                "check-out: %.4f %%\n",
                100 * (cycleMs + changedMs) / checkOutMs);

    // Reading commands take no lock: the lock's cost on them is nothing
    // but the read of the change count when the workspace is opened.
    const bool listClean = ListTakesNoLock(cli, workspace, program.path());
    QElapsedTimer countTimer;
    countTimer.start();
    for (int i = 0; i < kCycles; ++i)
        WorkspaceLock::Generation(workspace);
    const double countUs = double(countTimer.nsecsElapsed()) / 1e3 / kCycles;
    std::printf("quorvel-cli list %s; the lock's cost on list: %s (reading the change count, "
                "WorkspaceLock::Generation: %.1f us)\n",
                listClean ? "took no lock and left the lock file as it was"
                          : "TOOK THE LOCK OR CHANGED ITS FILE (see above)",
                listClean ? "0 lock calls" : "not 0", countUs);

    // The check-outs go again, from the catalogue and then from the disk.
    {
        WorkspaceChange change(*ProjectMngr);
        versions.SetActiveItem(nullptr);
        for (const QString& name : made) {
            if (TVersionItem* item = Child(BenchVersions(), name))
                BenchVersions()->DelItem(item);
        }
        change.Commit();
    }
    for (const QString& name : made)
        QDir(project + name).removeRecursively();
    BenchSupport::PrintLoad("end");
    return listClean ? 0 : 1;
}
