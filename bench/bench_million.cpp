// A million versions (1,000 clients x 20 projects x 50 versions, each with
// its work file and data file) against the 100,000 of the same shape:
// the rebuild and the open from the catalogue file with no views,
// `quorvel-cli list` as a whole process, and the open in the real window.
// The sizes take turns, and so do the ways, a different one first each
// round; each figure at a million is compared with ten times the same
// round's figure at 100,000. Also how long the window goes without
// handling events while it opens and rebuilds the million. Run it under a
// display, e.g. xvfb-run -a build/release/bin/bench_million [folder].
//
// The million workspace takes about 12 GB and 3 million inodes; it is made
// once and kept for later runs.

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "platform/ProgramPaths.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "workspace/TProjectManager.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <sys/resource.h>

namespace {

// Rounds at 100,000; those at a million stop once the budget is spent,
// but not before the least that count.
constexpr int kRounds = 7;
constexpr int kLeastMillionRounds = 3;
constexpr double kMillionBudgetMs = 10 * 60 * 1000;

long MinorPageFaults() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The milliseconds work takes; the minor page faults it caused go to faults.
// Where this machine takes long over a fault, fresh memory costs more
// than the work that fills it.
double Timed(const std::function<void()>& work, std::vector<double>& faults) {
    const long before = MinorPageFaults();
    const double ms = BenchSupport::BestOf(1, work);
    faults.push_back(double(MinorPageFaults() - before));
    return ms;
}

// Lets the window finish what it left for the event loop.
void Settle(int ms) {
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The figures at both sizes, and each round's 1M / (10 x 100k).
void PrintFigures(const char* name, const std::vector<double>& million,
                  const std::vector<double>& tenth, const std::vector<double>& millionFaults = {},
                  const std::vector<double>& tenthFaults = {}) {
    std::printf("%-40s 1M median %9.1f ms   100k median %8.1f ms\n", name,
                BenchSupport::MedianOf(million), BenchSupport::MedianOf(tenth));
    std::vector<double> ratios;
    for (size_t round = 0; round < million.size(); ++round)
        ratios.push_back(million[round] / (10 * tenth[round]));
    BenchSupport::PrintRatios("  1M / (10 x 100k)", ratios, "(aim <= 1.10)");
    if (!millionFaults.empty()) {
        std::printf("  minor page faults, median: 1M %.0f, 100k %.0f\n",
                    BenchSupport::MedianOf(millionFaults), BenchSupport::MedianOf(tenthFaults));
    }
}

void PrintGaps(const char* name, const std::vector<std::pair<double, double>>& gaps) {
    std::vector<double> wall;
    std::vector<double> processor;
    for (const auto& gap : gaps) {
        wall.push_back(gap.first);
        processor.push_back(gap.second);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(processor.begin(), processor.end());
    std::printf("%-34s median %6.1f  max %6.1f ms; processor median %5.1f  max %5.1f ms\n", name,
                wall[wall.size() / 2], wall.back(), processor[processor.size() / 2],
                processor.back());
}

} // namespace

int main(int argc, char** argv) {
    // Before anything grows: see ProcessHelper.
    BenchSupport::ProcessHelper processes;
    TQuorvelApplication app(argc, argv);
    const QString root = BenchSupport::BenchRoot(argc, argv);
    enum Size { Tenth, Million, Sizes };
    const QString workspaces[Sizes] = {BenchSupport::WorkspaceWithData(root, 100, 20, 50),
                                       BenchSupport::WorkspaceWithData(root, 1000, 20, 50)};
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-cli");
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "%s is missing: build the quorvel-cli target\n", qPrintable(cli));
        return 1;
    }
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    // The window starts on an empty workspace, and goes back to it before
    // each open so that every open is a real one.
    const QString away = program.path() + QStringLiteral("/away/");
    // Both catalogue files, made by a rebuild where missing.
    for (const QString& workspace : workspaces) {
        if (!QFile::exists(workspace + QStringLiteral("QuorvelConfig.xml"))) {
            std::fprintf(stderr, "rebuilding %s ...\n", qPrintable(workspace));
            TProjectManager manager;
            manager.SetWorkSpace(workspace);
        }
    }

    const BenchWindow window(away);

    enum Way { Rebuild, Open, List, Window, Ways };
    const char* names[Ways] = {"rebuild (Refresh), no views", "open from the catalogue, no views",
                               "quorvel-cli list, whole process", "open in the window"};
    std::vector<double> ms[Sizes][Ways];
    std::vector<double> faults[Sizes][Ways];
    std::vector<double> listProcessorMs[Sizes];
    std::vector<double> listPeak[Sizes];
    std::vector<std::pair<double, double>> openGaps;
    std::vector<std::pair<double, double>> rebuildGaps;
    std::vector<double> windowRebuildMs;
    qint64 windowPeak[Sizes] = {};

    auto measure = [&](Size size, Way way) -> double {
        const QString& workspace = workspaces[size];
        switch (way) {
        case Rebuild: {
            TProjectManager manager;
            manager.SetWorkSpace(workspace);
            return Timed([&] { manager.Refresh(); }, faults[size][way]);
        }
        case Open: {
            TProjectManager manager;
            return Timed([&] { manager.SetWorkSpace(workspace); }, faults[size][way]);
        }
        case List: {
            const BenchSupport::ProcessRun run =
                processes.Run({cli, QStringLiteral("-w"), workspace, QStringLiteral("list")});
            if (run.status != 0)
                std::fprintf(stderr, "quorvel-cli list failed with status %d\n", run.status);
            listProcessorMs[size].push_back(run.cpuMs);
            listPeak[size].push_back(double(run.peakBytes));
            return run.ms;
        }
        case Window:
        default: {
            window->SetWorkspace(away);
            Settle(100);
            std::unique_ptr<BenchSupport::LoopGaps> gaps;
            if (size == Million)
                gaps = std::make_unique<BenchSupport::LoopGaps>();
            const double took = Timed([&] { window->SetWorkspace(workspace); }, faults[size][way]);
            if (gaps) {
                // What the open left for the event loop counts too.
                Settle(300);
                openGaps.push_back(gaps->Longest());
                // The Rebuild command, with its dialog, on the open window.
                gaps = std::make_unique<BenchSupport::LoopGaps>();
                windowRebuildMs.push_back(
                    BenchSupport::BestOf(1, [&] { QuorvelProgressDialog->Start(ProjectMngr); }));
                Settle(300);
                rebuildGaps.push_back(gaps->Longest());
            }
            return took;
        }
        }
    };

    // A first run of each warms the caches; the window's peak memory is
    // taken after it has held each size.
    std::fprintf(stderr, "warming up ...\n");
    for (int size = 0; size < Sizes; ++size) {
        measure(Size(size), Window);
        windowPeak[size] = BenchSupport::PeakResidentBytes();
        for (int way = 0; way < Window; ++way)
            measure(Size(size), Way(way));
    }
    openGaps.clear();
    rebuildGaps.clear();
    windowRebuildMs.clear();
    for (int size = 0; size < Sizes; ++size) {
        for (int way = 0; way < Ways; ++way)
            faults[size][way].clear();
        listProcessorMs[size].clear();
        listPeak[size].clear();
    }

    // The time the rounds at a million took, which the budget counts.
    double millionSpent = 0;
    int millionRounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double perRound = millionRounds ? millionSpent / millionRounds : 0;
        const bool withMillion =
            round < kLeastMillionRounds || millionSpent + perRound <= kMillionBudgetMs;
        std::fprintf(stderr, "round %d%s ...\n", round + 1, withMillion ? "" : " (100k only)");
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            for (int s = 0; s < Sizes; ++s) {
                const Size size = Size((round + s) % Sizes);
                if (size == Million && !withMillion)
                    continue;
                QElapsedTimer spent;
                spent.start();
                ms[size][way].push_back(measure(size, way));
                if (size == Million)
                    millionSpent += double(spent.elapsed());
            }
        }
        if (withMillion)
            ++millionRounds;
    }

    // The rounds at 100,000 that have a round at a million beside them.
    const auto paired = [&](const std::vector<double>& tenth) {
        return std::vector<double>(tenth.begin(), tenth.begin() + ptrdiff_t(millionRounds));
    };
    std::printf("1,000,000 versions (1000 x 20 x 50) against 100,000 (100 x 20 x 50), all with "
                "data files\n");
    std::printf("%d rounds at 100k, %d of them also at 1M; sizes and ways take turns\n", kRounds,
                millionRounds);
    for (int way = 0; way < Ways; ++way) {
        // A whole process's faults are not this process's.
        if (way == List)
            PrintFigures(names[way], ms[Million][way], paired(ms[Tenth][way]));
        else
            PrintFigures(names[way], ms[Million][way], paired(ms[Tenth][way]), faults[Million][way],
                         paired(faults[Tenth][way]));
    }
    // On a machine shared with other work the processor time is the steadier figure.
    PrintFigures("quorvel-cli list, processor time", listProcessorMs[Million],
                 paired(listProcessorMs[Tenth]));
    std::printf("%-40s 1M median %9.1f ms\n", "the Rebuild command in the window",
                BenchSupport::MedianOf(windowRebuildMs));
    std::printf("longest wait between two event-loop turns in the window at 1M, over %d runs "
                "(aim < 100 ms):\n",
                millionRounds);
    PrintGaps("  while it opens the workspace", openGaps);
    PrintGaps("  while the Rebuild command runs", rebuildGaps);
    const double listMillion = BenchSupport::MedianOf(listPeak[Million]);
    const double listTenth = BenchSupport::MedianOf(listPeak[Tenth]);
    std::printf("peak memory of quorvel-cli list: 1M %.0f MiB, 100k %.0f MiB, "
                "1M / (10 x 100k) %.2f\n",
                listMillion / 1048576, listTenth / 1048576, listMillion / (10 * listTenth));
    std::printf("peak memory of this process: %.0f MiB once the window held 100k, %.0f MiB "
                "once it held 1M\n",
                double(windowPeak[Tenth]) / 1048576, double(windowPeak[Million]) / 1048576);

    return 0;
}
