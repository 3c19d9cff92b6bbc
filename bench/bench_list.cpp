// `quorvel-cli list`, `list --json` and `status` on 100,000 versions with
// data files, as whole processes, against the baseline a user would reach
// for: `grep -rl --include=QuorvelConfig.xml "checked out"` over the same
// workspace, which reads the same data files, and `grep -l` over the list
// of the data files (`xargs`). They take turns, a different one first each
// round. Also the peak memory of `list --json` against `list`.
//
// Then a cold round, as on a morning start: before each timed run the data
// files leave the page cache, and `list`, `status`, `grep -l` one file
// after another and `xargs -P8 grep -l` take turns.
//
//   bench_list [folder] [clients projects versions]

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 5;
constexpr int kColdRounds = 3;

int CountLines(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return -1;
    return int(in.readAll().count('\n'));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root = BenchSupport::BenchRoot(argc, argv);
    const int clients = argc > 4 ? std::atoi(argv[2]) : 100;
    const int projects = argc > 4 ? std::atoi(argv[3]) : 20;
    const int versions = argc > 4 ? std::atoi(argv[4]) : 50;
    const QString workspace = BenchSupport::WorkspaceWithData(root, clients, projects, versions);
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-cli");
    if (!QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "%s is missing: build the quorvel-cli target\n", qPrintable(cli));
        return 1;
    }
    if (!QFile::exists(workspace + QStringLiteral("QuorvelConfig.xml")) &&
        BenchSupport::RunProcess({cli, QStringLiteral("-w"), workspace, QStringLiteral("rebuild")})
                .status != 0) {
        std::fprintf(stderr, "the rebuild of %s failed\n", qPrintable(workspace));
        return 1;
    }

    const QString dataFiles = root + QStringLiteral("/bench_list.files");
    BenchSupport::WriteDataFileList(workspace, dataFiles);
    auto xargsGrep = [&](const char* options) {
        return QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                           QStringLiteral("xargs -0 %1 grep -l 'checked out' < '%2'")
                               .arg(QLatin1String(options), dataFiles)};
    };

    enum Way { List, Json, Status, Grep, GrepEach, Ways };
    const char* names[Ways] = {"list", "list --json", "status", "grep -rl", "xargs grep -l"};
    const QStringList commands[Ways] = {
        {cli, QStringLiteral("-w"), workspace, QStringLiteral("list")},
        {cli, QStringLiteral("-w"), workspace, QStringLiteral("list"), QStringLiteral("--json")},
        {cli, QStringLiteral("-w"), workspace, QStringLiteral("status")},
        {QStringLiteral("grep"), QStringLiteral("-rl"),
         QStringLiteral("--include=QuorvelConfig.xml"), QStringLiteral("checked out"), workspace},
        xargsGrep("")};

    // A first run of each warms the caches and checks that they agree.
    const QString out = root + QStringLiteral("/bench_list.out");
    int lines[Ways] = {};
    for (int way = 0; way < Ways; ++way) {
        const BenchSupport::ProcessRun run = BenchSupport::RunProcess(commands[way], out);
        lines[way] = CountLines(out);
        if (run.status != 0) {
            std::fprintf(stderr, "%s failed with status %d\n", names[way], run.status);
            return 1;
        }
    }
    QFile::remove(out);
    if (lines[Status] != lines[Grep]) {
        std::fprintf(stderr, "status printed %d versions, grep %d files\n", lines[Status],
                     lines[Grep]);
        return 1;
    }
    std::printf("workspace: %d versions with data files, %d checked out\n",
                clients * projects * versions, lines[Grep]);

    std::vector<double> ms[Ways];
    std::vector<double> cpu[Ways];
    std::vector<double> peak[Ways];
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            const BenchSupport::ProcessRun run = BenchSupport::RunProcess(commands[way]);
            ms[way].push_back(run.ms);
            cpu[way].push_back(run.cpuMs);
            peak[way].push_back(double(run.peakBytes));
        }
    }
    for (int way = 0; way < Ways; ++way) {
        std::printf("%-12s median %8.1f ms (processor %8.1f ms), peak memory %6.1f MiB\n",
                    names[way], BenchSupport::MedianOf(ms[way]), BenchSupport::MedianOf(cpu[way]),
                    BenchSupport::MedianOf(peak[way]) / 1048576);
    }
    auto ratios = [&](Way a, Way b, const std::vector<double>* values) {
        std::vector<double> r;
        for (int round = 0; round < kRounds; ++round)
            r.push_back(values[a][size_t(round)] / values[b][size_t(round)]);
        return r;
    };
    BenchSupport::PrintLoad("the end of the warm rounds");
    std::printf(
        "baseline: grep -rl --include=QuorvelConfig.xml \"checked out\" (same data files)\n");
    BenchSupport::PrintRatios("time list / xargs grep -l", ratios(List, GrepEach, ms),
                              "(aim <= 0.5)");
    BenchSupport::PrintRatios("time status / xargs grep -l", ratios(Status, GrepEach, ms),
                              "(aim <= 0.5)");
    BenchSupport::PrintRatios("time list / grep", ratios(List, Grep, ms));
    BenchSupport::PrintRatios("time status / grep", ratios(Status, Grep, ms));
    BenchSupport::PrintRatios("time list --json / grep", ratios(Json, Grep, ms));
    // On a machine shared with other work the processor time is the steadier figure.
    BenchSupport::PrintRatios("processor time list / grep", ratios(List, Grep, cpu));
    BenchSupport::PrintRatios("processor time status / grep", ratios(Status, Grep, cpu));
    BenchSupport::PrintRatios("peak memory list --json / list", ratios(Json, List, peak),
                              "(aim <= 1.10)");

    enum ColdWay { ColdList, ColdStatus, ColdGrep, ColdGrepMany, ColdWays };
    const char* coldNames[ColdWays] = {"list", "status", "xargs grep -l", "xargs -P8 grep -l"};
    const QStringList coldCommands[ColdWays] = {commands[List], commands[Status], xargsGrep(""),
                                                xargsGrep("-P8 -n 500")};
    std::vector<double> cold[ColdWays];
    bool dropped = false;
    for (int round = 0; round < kColdRounds; ++round) {
        for (int turn = 0; turn < ColdWays; ++turn) {
            const ColdWay way = ColdWay((round + turn) % ColdWays);
            dropped = BenchSupport::EvictFromCache(dataFiles);
            cold[way].push_back(BenchSupport::RunProcess(coldCommands[way]).ms);
        }
    }
    QFile::remove(dataFiles);
    std::printf("cold: data files evicted before each run%s\n",
                dropped ? ", and all caches dropped" : " (posix_fadvise only)");
    for (int way = 0; way < ColdWays; ++way)
        BenchSupport::PrintMs(coldNames[way], cold[way]);
    auto coldRatios = [&](ColdWay a, ColdWay b) {
        std::vector<double> r;
        for (int round = 0; round < kColdRounds; ++round)
            r.push_back(cold[a][size_t(round)] / cold[b][size_t(round)]);
        return r;
    };
    BenchSupport::PrintRatios("cold status / xargs -P8 grep -l",
                              coldRatios(ColdStatus, ColdGrepMany), "(aim <= 1.0)");
    BenchSupport::PrintRatios("cold status / xargs grep -l", coldRatios(ColdStatus, ColdGrep),
                              "(aim <= 0.7)");
    BenchSupport::PrintRatios("cold list / xargs -P8 grep -l", coldRatios(ColdList, ColdGrepMany),
                              "(aim <= 1.0)");
    BenchSupport::PrintRatios("cold list / xargs grep -l", coldRatios(ColdList, ColdGrep),
                              "(aim <= 0.7)");
    BenchSupport::PrintLoad("the end of the cold rounds");
    return 0;
}
