// A rebuild of 100,000 folders in the real window, and opening that
// workspace from its catalogue file in the window, each against the same
// work with no views, in alternating rounds. Run it under a display, e.g.
// xvfb-run -a build/bench/bin/bench_gui.

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "platform/ProgramPaths.h"
#include "platform/UserInterface.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"

#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {
constexpr int kRounds = 5;
} // namespace

int main(int argc, char** argv) {
    TQuorvelApplication app(argc, argv);
    const QString big = BenchSupport::LargeWorkspace(BenchSupport::BenchRoot(argc, argv));
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path());
    const QString small = program.path() + QStringLiteral("/small/");

    const BenchWindow window(small);

    // Each round: the open from the catalogue file and the rebuild, each in
    // the window and with no views (a manager of its own, whose silent user
    // processes no events); a different one first each round.
    enum Way { OpenWindow, OpenHeadless, RebuildWindow, RebuildHeadless, Ways };
    std::vector<double> ms[Ways];
    double command = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            if (way == OpenWindow) {
                // Away first, so that the open is a real one.
                window->SetWorkspace(small);
                ms[way].push_back(BenchSupport::BestOf(1, [&] { window->SetWorkspace(big); }));
            } else if (way == OpenHeadless) {
                TProjectManager manager;
                ms[way].push_back(BenchSupport::BestOf(1, [&] { manager.SetWorkSpace(big); }));
            } else if (way == RebuildWindow) {
                if (ProjectMngr->WorkSpace() != big)
                    window->SetWorkspace(big);
                // The rebuild itself, with the dialog on screen reporting every item.
                QuorvelProgressDialog->SetActive(true);
                ms[way].push_back(BenchSupport::BestOf(1, [&] { ProjectMngr->Refresh(); }));
                QuorvelProgressDialog->SetActive(false);
            } else {
                TProjectManager manager;
                manager.SetWorkSpace(big);
                ms[way].push_back(BenchSupport::BestOf(1, [&] { manager.Refresh(); }));
            }
        }
        // The whole command, which waits a fixed 100 ms before it starts.
        if (ProjectMngr->WorkSpace() != big)
            window->SetWorkspace(big);
        command = std::min(
            command, BenchSupport::BestOf(1, [&] { QuorvelProgressDialog->Start(ProjectMngr); }));
    }

    const char* names[Ways] = {"open from the catalogue file in the window",
                               "open from the catalogue file, no views",
                               "rebuild in the window, with its dialog", "rebuild with no views"};
    for (int way = 0; way < Ways; ++way)
        std::printf("%-44s median %8.1f ms\n", names[way], BenchSupport::MedianOf(ms[way]));
    std::printf("%-44s best   %8.1f ms\n", "the Rebuild command, 100 ms timer included", command);
    auto ratios = [&](Way a, Way b) {
        std::vector<double> r;
        for (int round = 0; round < kRounds; ++round)
            r.push_back(ms[a][size_t(round)] / ms[b][size_t(round)]);
        return r;
    };
    std::printf("baseline: the same work with no views, in the same process\n");
    BenchSupport::PrintRatios("rebuild, window / no views", ratios(RebuildWindow, RebuildHeadless),
                              "(aim 2 or less)");
    BenchSupport::PrintRatios("open, window / no views", ratios(OpenWindow, OpenHeadless));

    return 0;
}
