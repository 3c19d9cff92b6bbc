// Rebuilding the catalogue from 100,000 folders: the scan alone
// (ReadFromRoot) and the whole rebuild (TProjectManager::Refresh, with its
// change handler and the save), against two baselines over the same
// folders: the fastest plain walk (readdir, three levels) and
// `find -mindepth 1 -maxdepth 3 -type d`. The four take turns, a different
// one first each round.

#include "BenchSupport.h"
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "platform/ProgramPaths.h"
#include "workspace/TProjectManager.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

#include <dirent.h>

namespace {

constexpr int kRounds = 7;

class NoViews : public CatalogueOwner {
public:
    QString workspace;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

// readdir with the entry types, three levels deep: as little as a walk can do.
long Walk(const QByteArray& folder, int depth) {
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return 0;
    long count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_type != DT_DIR || entry->d_name[0] == '.')
            continue;
        ++count;
        if (depth < 3)
            count += Walk(folder + '/' + entry->d_name, depth + 1);
    }
    closedir(dir);
    return count;
}

int Count(const TVersionCollection& collection) {
    int n = collection.Count();
    for (int i = 0; i < collection.Count(); ++i) {
        if (collection.GetItems(i)->HasCollection())
            n += Count(*collection.GetItems(i)->VersionCollection());
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NoViews owner;
    owner.workspace = BenchSupport::LargeWorkspace(BenchSupport::BenchRoot(argc, argv));
    const QByteArray native = QFile::encodeName(owner.workspace);
    // The manager's settings and editor registry go to a folder of their own.
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    TProjectManager manager;
    manager.SetWorkSpace(owner.workspace);

    enum Way { Walk_, Scan, Refresh, Find, Ways };
    const char* names[Ways] = {"plain walk", "ReadFromRoot", "TProjectManager::Refresh",
                               "find -maxdepth 3"};
    std::vector<double> ms[Ways];
    long walked = 0;
    int scanned = 0;
    int refreshed = 0;
    // Warm the caches first so that all read the same memory.
    Walk(native, 1);
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            if (way == Walk_) {
                ms[way].push_back(BenchSupport::BestOf(1, [&] { walked = Walk(native, 1); }));
            } else if (way == Scan) {
                auto clients = std::make_unique<TClients>(&owner);
                ms[way].push_back(
                    BenchSupport::BestOf(1, [&] { clients->ReadFromRoot(owner.workspace); }));
                scanned = Count(*clients);
            } else if (way == Refresh) {
                ms[way].push_back(BenchSupport::BestOf(1, [&] { manager.Refresh(); }));
                refreshed = Count(*manager.Clients());
            } else {
                ms[way].push_back(BenchSupport::BestOf(1, [&] {
                    QProcess process;
                    process.setStandardOutputFile(QProcess::nullDevice());
                    process.start(QStringLiteral("find"),
                                  {owner.workspace, QStringLiteral("-mindepth"),
                                   QStringLiteral("1"), QStringLiteral("-maxdepth"),
                                   QStringLiteral("3"), QStringLiteral("-type"),
                                   QStringLiteral("d")});
                    process.waitForFinished(-1);
                }));
            }
        }
    }
    std::printf("folders walked: %ld, items scanned: %d, items after Refresh: %d\n", walked,
                scanned, refreshed);
    for (int way = 0; way < Ways; ++way)
        std::printf("%-26s median %8.1f ms\n", names[way], BenchSupport::MedianOf(ms[way]));
    auto ratios = [&](Way a, Way b) {
        std::vector<double> r;
        for (int round = 0; round < kRounds; ++round)
            r.push_back(ms[a][size_t(round)] / ms[b][size_t(round)]);
        return r;
    };
    std::printf("baselines: a readdir walk of the same folders; find over them\n");
    BenchSupport::PrintRatios("ReadFromRoot / plain walk", ratios(Scan, Walk_), "(aim <= 1.5)");
    BenchSupport::PrintRatios("Refresh / plain walk", ratios(Refresh, Walk_));
    BenchSupport::PrintRatios("ReadFromRoot / find", ratios(Scan, Find));
    BenchSupport::PrintRatios("Refresh / find", ratios(Refresh, Find));
    return walked == scanned && walked == refreshed ? 0 : 1;
}
