// Opening a workspace of 100,000 folders from its catalogue file and by a
// rebuild, and saving it; with the peak memory.

#include "BenchSupport.h"
#include "catalogue/TClients.h"
#include "platform/ProgramPaths.h"
#include "workspace/TProjectManager.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString workspace = BenchSupport::LargeWorkspace(BenchSupport::BenchRoot(argc, argv));
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    const QString catalogue = workspace + QStringLiteral("QuorvelConfig.xml");

    // Each opening needs a fresh manager: opening the same path twice is a no-op.
    auto timeOpening = [&](bool withCatalogue) {
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
            if (!withCatalogue)
                QFile::remove(catalogue);
            auto manager = std::make_unique<TProjectManager>();
            best =
                std::min(best, BenchSupport::BestOf(1, [&] { manager->SetWorkSpace(workspace); }));
        }
        return best;
    };
    const double rebuild = timeOpening(false);
    const double load = timeOpening(true);
    TProjectManager manager;
    manager.SetWorkSpace(workspace);
    const double save = BenchSupport::BestOf(5, [&] { manager.SaveProject(); });

    std::printf("open by rebuild (no catalogue file): %.1f ms\n", rebuild);
    std::printf("open from the catalogue file:        %.1f ms\n", load);
    std::printf("save the catalogue file:             %.1f ms\n", save);
    std::printf("catalogue file:                      %lld bytes\n", QFile(catalogue).size());
    std::printf("peak resident memory:                %.1f MiB\n",
                double(BenchSupport::PeakResidentBytes()) / (1024.0 * 1024.0));
    return 0;
}
