// The window following another program's change of a 100,000-version
// workspace (100 clients x 20 projects x 50 versions, with data files): a
// window is open on it with a project listed, and quorvel-cli, a whole
// process, makes a change and saves the catalogue. Measured from the start
// of that process until the window has followed (the change is in its tree
// or list, and its follower has told so) and a moment after: the longest
// wait between two turns of the window's event loop, how long after the
// save the window had followed, and how long the look that followed took.
// The changes take turns: a new client, a check-out in the listed project,
// its undo, the client's deletion. Run it under a display, e.g.
// xvfb-run -a build/bin/bench_follow [folder].

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "platform/ProgramPaths.h"
#include "storage/TConfigStreamer.h"
#include "ui/CatalogueTree.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"
#include "ui/WorkspaceFollower.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <time.h>

namespace {

// One round of each change warms up; then kRounds, a change per round.
constexpr int kChanges = 4;
constexpr int kRounds = 8;
// A look comes every second; a follow not done by then has failed.
constexpr int kTimeoutMs = 15000;
// What the follow left for the event loop counts too.
constexpr int kAfterMs = 300;
// The loop may sleep between turns, leaving a processor to quorvel-cli.
constexpr int kTurnMs = 1;

const QString kClient = QStringLiteral("Bench follow");
const QString kListedClient = QStringLiteral("Client 0");
const QString kListedProject = QStringLiteral("Project 0");

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double RealtimeMs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double ModifiedMs(const QString& file) {
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return NAN;
    return double(info.st_mtim.tv_sec) * 1e3 + double(info.st_mtim.tv_nsec) / 1e6;
}

TVersionCollection* ListedVersions() {
    TVersionItem* client = ProjectMngr->Clients()->ItemByName(kListedClient);
    TVersionItem* project =
        client ? client->VersionCollection()->ItemByName(kListedProject) : nullptr;
    return project ? project->VersionCollection() : nullptr;
}

struct Outcome {
    int status = -1;
    bool followed = false;
    double processMs = 0;
    // From the catalogue file's save to the follower's signal.
    double followMs = NAN;
    // From the last turn before the look that followed to its end.
    double lookMs = NAN;
    double gapMs = 0;
    double gapProcessorMs = 0;
};

// Runs command from the helper while the window's event loop turns, until
// the process has ended and the follower told of a follow after which
// done() holds.
Outcome Round(BenchSupport::ProcessHelper& processes, WorkspaceFollower* follower,
              const QStringList& command, const std::function<bool()>& done,
              const QString& catalogue) {
    Outcome outcome;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    const auto nowMs = [&clock] { return double(clock.nsecsElapsed()) / 1e6; };
    double lastIdleMs = 0;
    QTimer idle;
    idle.setTimerType(Qt::PreciseTimer);
    idle.setInterval(kTurnMs);
    QObject::connect(&idle, &QTimer::timeout, [&] {
        if (!ProjectMngr->Busy())
            lastIdleMs = nowMs();
    });
    idle.start();
    BenchSupport::LoopGaps gaps(kTurnMs);
    bool ended = false;
    double savedAt = NAN;
    double followedAt = NAN;
    const QMetaObject::Connection connection =
        QObject::connect(follower, &WorkspaceFollower::followed, [&] {
            if (outcome.followed || !done())
                return;
            outcome.followed = true;
            followedAt = RealtimeMs();
            outcome.lookMs = nowMs() - lastIdleMs;
            if (ended)
                loop.quit();
        });
    if (!processes.Start(command))
        return outcome;
    QSocketNotifier result(processes.ResultHandle(), QSocketNotifier::Read);
    QObject::connect(&result, &QSocketNotifier::activated, [&] {
        result.setEnabled(false);
        const BenchSupport::ProcessRun run = processes.Finish();
        outcome.status = run.status;
        outcome.processMs = run.ms;
        // The process's save, read before the window could write the file.
        savedAt = ModifiedMs(catalogue);
        ended = true;
        if (outcome.followed || run.status != 0)
            loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    if (!ended) {
        const BenchSupport::ProcessRun run = processes.Finish();
        outcome.status = run.status;
        outcome.processMs = run.ms;
        savedAt = ModifiedMs(catalogue);
    }
    Wait(kAfterMs);
    const std::pair<double, double> longest = gaps.Longest();
    outcome.gapMs = longest.first;
    outcome.gapProcessorMs = longest.second;
    outcome.followMs = followedAt - savedAt;
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    const QString root = BenchSupport::BenchRoot(argc, argv);
    // The deletions of quorvel-cli go to a trash of the benchmark's own.
    const QString trash = root + QStringLiteral("/follow-data-home");
    QDir(trash).removeRecursively();
    QDir().mkpath(trash);
    ::setenv("XDG_DATA_HOME", QFile::encodeName(trash).constData(), 1);
    // Before anything grows: see ProcessHelper.
    BenchSupport::ProcessHelper processes;
    TQuorvelApplication app(argc, argv);
    BenchSupport::PrintLoad("start");
    const QString workspace = BenchSupport::WorkspaceWithData(root, 100, 20, 50);
    const QString catalogue = workspace + TConfigStreamer::ConfigFileName();
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-cli");
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "%s is missing: build the quorvel-cli target\n", qPrintable(cli));
        return 1;
    }
    const auto command = [&](QStringList arguments) {
        return QStringList{cli, QStringLiteral("-w"), workspace, QStringLiteral("--yes")} +
               arguments;
    };
    // What an earlier run left (it was stopped) goes, and a rebuild makes
    // the catalogue without it; as does a missing catalogue file.
    bool rebuild = !QFile::exists(catalogue);
    if (QDir(workspace + kClient).exists()) {
        QDir(workspace + kClient).removeRecursively();
        rebuild = true;
    }
    const QString listedFolder = workspace + kListedClient + u'/' + kListedProject + u'/';
    QSet<QString> original{QStringLiteral("version 1")};
    for (int v = 2; v <= 50; ++v)
        original.insert(QStringLiteral("Version %1").arg(v));
    for (const QString& entry :
         QDir(listedFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!original.contains(entry)) {
            QDir(listedFolder + entry).removeRecursively();
            rebuild = true;
        }
    }
    if (rebuild) {
        std::fprintf(stderr, "rebuilding %s ...\n", qPrintable(workspace));
        if (processes.Run(command({QStringLiteral("rebuild")})).status != 0) {
            std::fprintf(stderr, "the rebuild failed\n");
            return 1;
        }
    }

    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    const BenchWindow window(workspace);
    auto* follower = window->findChild<WorkspaceFollower*>();
    CatalogueTree* tree = window->Tree();
    if (!follower || ProjectMngr->WorkSpace() != workspace) {
        std::fprintf(stderr, "the window did not open %s\n", qPrintable(workspace));
        return 1;
    }
    const QList<QTreeWidgetItem*> clients = tree->findItems(kListedClient, Qt::MatchExactly);
    TreeNode* listed = nullptr;
    for (int i = 0; !clients.isEmpty() && i < clients.first()->childCount(); ++i) {
        if (clients.first()->child(i)->text(0) == kListedProject)
            listed = static_cast<TreeNode*>(clients.first()->child(i));
    }
    if (!listed) {
        std::fprintf(stderr, "%s/%s is not in the tree\n", qPrintable(kListedClient),
                     qPrintable(kListedProject));
        return 1;
    }
    tree->setCurrentItem(listed);
    for (QDeadlineTimer deadline(10000);
         static_cast<TVersionItem*>(VersionMngr->InstalledProject()) != listed->Item() &&
         !deadline.hasExpired();)
        Wait(50);
    VersionListWidget* list = window->VersionList();
    const int rows = list->RowCount();
    QSet<QString> listedNames;
    for (int i = 0; i < ListedVersions()->Count(); ++i)
        listedNames.insert(ListedVersions()->GetItems(i)->Name());
    std::printf("workspace %s: 100,000 versions with data files (100 x 20 x 50), catalogue file "
                "%.1f MB;\n  %s/%s listed, %d rows\n",
                qPrintable(workspace), double(QFileInfo(catalogue).size()) / 1048576,
                qPrintable(kListedClient), qPrintable(kListedProject), rows);
    // The window's first looks at the workspace.
    Wait(2 * WorkspaceFollower::LookMs);

    enum Change { NewClient, CheckOut, UndoCheckOut, DeleteClient };
    const char* names[kChanges] = {"new-client", "checkout", "undo-checkout", "delete-client"};
    QString made;
    const auto clientShown = [&] { return !tree->findItems(kClient, Qt::MatchExactly).isEmpty(); };
    const auto run = [&](Change change) {
        switch (change) {
        case NewClient:
            return Round(processes, follower,
                         command({QString::fromLatin1(names[change]), kClient}), clientShown,
                         catalogue);
        case CheckOut:
            return Round(
                processes, follower,
                command({QString::fromLatin1(names[change]), kListedClient, kListedProject,
                         QStringLiteral("version 1")}),
                [&] {
                    TVersionCollection* versions = ListedVersions();
                    for (int i = 0; versions && i < versions->Count(); ++i) {
                        if (!listedNames.contains(versions->GetItems(i)->Name()))
                            made = versions->GetItems(i)->Name();
                    }
                    return !made.isEmpty() && list->RowCount() == rows + 1;
                },
                catalogue);
        case UndoCheckOut:
            return Round(
                processes, follower,
                command({QString::fromLatin1(names[change]), kListedClient, kListedProject, made}),
                [&] {
                    TVersionCollection* versions = ListedVersions();
                    return versions && !versions->ItemByName(made) && list->RowCount() == rows;
                },
                catalogue);
        case DeleteClient:
        default:
            return Round(
                processes, follower, command({QString::fromLatin1(names[change]), kClient}),
                [&] { return !clientShown(); }, catalogue);
        }
    };

    std::vector<double> followMs;
    std::vector<double> lookMs;
    std::vector<double> gapMs;
    std::vector<double> gapProcessorMs;
    std::vector<double> processMs;
    int failed = 0;
    for (int round = -kChanges; round < kRounds; ++round) {
        const Change change = Change((round + kChanges) % kChanges);
        if (change == CheckOut)
            made.clear();
        // The follower looks once a second: each round starts at another
        // moment of that second, so the waits for the look spread over it
        // instead of keeping the phase the rounds fall into.
        Wait((round + kChanges) * WorkspaceFollower::LookMs / kRounds % WorkspaceFollower::LookMs);
        const Outcome outcome = run(change);
        if (outcome.status != 0 || !outcome.followed) {
            std::printf("round %d, %s: %s\n", round + 1, names[change],
                        outcome.status != 0 ? "quorvel-cli failed" : "NOT FOLLOWED in 15 s");
            ++failed;
            if (outcome.status != 0)
                return 1;
            continue;
        }
        if (round < 0)
            continue;
        std::printf("round %d, %-14s quorvel-cli %6.0f ms; followed %6.0f ms after the save, "
                    "the look %5.0f ms; longest wait %5.1f ms (processor %5.1f ms)\n",
                    round + 1, names[change], outcome.processMs, outcome.followMs, outcome.lookMs,
                    outcome.gapMs, outcome.gapProcessorMs);
        std::fflush(stdout);
        followMs.push_back(outcome.followMs);
        lookMs.push_back(outcome.lookMs);
        gapMs.push_back(outcome.gapMs);
        gapProcessorMs.push_back(outcome.gapProcessorMs);
        processMs.push_back(outcome.processMs);
    }
    if (followMs.empty())
        return 1;
    std::printf("the window follows quorvel-cli; changes take turns (%s, %s, %s, %s), "
                "one warm-up round of each\n",
                names[0], names[1], names[2], names[3]);
    BenchSupport::PrintMs("quorvel-cli, whole process", processMs);
    BenchSupport::PrintMs("followed, after the catalogue's save", followMs, "(aim < 2000 ms)");
    BenchSupport::PrintMs("  of it the look that followed", lookMs);
    BenchSupport::PrintMs("longest wait between two event-loop turns", gapMs, "(aim < 100 ms)");
    BenchSupport::PrintMs("  its processor time", gapProcessorMs);
    if (failed > 0)
        std::printf("%d rounds did not follow within %d ms\n", failed, kTimeoutMs);
    BenchSupport::PrintLoad("end");
    QDir(trash).removeRecursively();
    return failed > 0 ? 1 : 0;
}
