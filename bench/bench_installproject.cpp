// Selecting a project in the window, for a project of 1,000 and one of
// 10,000 versions that all have data files: its data files read, then its
// rows filled and sorted in the real version list (TVersionManager::
// InstallProject into a shown VersionListWidget, events processed).
// Baseline of the read: a plain read (open, read, close) of the same data
// files; of the list: the 1,000-version list. The
// sizes and the baseline take turns, a different one first each round.
// Run it under a display or with QT_QPA_PLATFORM=offscreen.

#include "BenchSupport.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "platform/ProgramPaths.h"
#include "platform/UserInterface.h"
#include "ui/VersionListWidget.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kRounds = 7;

QString ProjectWorkspace(const QString& benchRoot, int versions) {
    const QString root = benchRoot + QStringLiteral("/install-%1/").arg(versions);
    const QString project = root + QStringLiteral("Client/Project/");
    if (!QFile::exists(project + QStringLiteral("Version %1/QuorvelConfig.xml").arg(versions))) {
        for (int v = 1; v <= versions; ++v) {
            const QString folder = project + QStringLiteral("Version %1/").arg(v);
            QDir().mkpath(folder);
            QFile data(folder + QStringLiteral("QuorvelConfig.xml"));
            data.open(QIODevice::WriteOnly);
            data.write(BenchSupport::VersionDataFile(v));
        }
        QFile::remove(root + QStringLiteral("QuorvelConfig.xml"));
    }
    return root;
}

struct Installed {
    double readMs = 0; // reading the project's data files
    double listMs = 0; // filling and sorting the rows, events processed
};

Installed Install(const QString& root, VersionListWidget& list, int expected) {
    // Nobody to ask: the silent user installed now stays in place.
    QuorvelRuntime runtime(User(), TQuorvelConfig::Access::ReadOnly);
    TVersionManager& versions = *runtime.VersionManager(&list);
    ProjectMngr->SetWorkSpace(root);
    auto* project = static_cast<TProject*>(
        ProjectMngr->Clients()->GetItems(0)->VersionCollection()->GetItems(0));
    Installed ms;
    QElapsedTimer timer;
    timer.start();
    project->LoadData();
    ms.readMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    versions.InstallProject(project);
    QCoreApplication::processEvents();
    ms.listMs = double(timer.nsecsElapsed()) / 1e6;
    const int rows = list.RowCount();
    list.Clear();
    if (rows != expected) {
        std::fprintf(stderr, "listed %d rows of %d\n", rows, expected);
        std::exit(1);
    }
    return ms;
}

double PlainRead(const QString& root, int versions) {
    QElapsedTimer timer;
    timer.start();
    char buffer[4096];
    for (int v = 1; v <= versions; ++v) {
        const QByteArray path = QFile::encodeName(
            root + QStringLiteral("Client/Project/Version %1/QuorvelConfig.xml").arg(v));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString benchRoot = BenchSupport::BenchRoot(argc, argv);
    const QString small = ProjectWorkspace(benchRoot, 1000);
    const QString large = ProjectWorkspace(benchRoot, 10000);
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');
    VersionListWidget list;
    list.resize(800, 600);
    list.show();
    QCoreApplication::processEvents();

    enum Way { Small, Large, ReadSmall, ReadLarge, Ways };
    std::vector<double> ms[Ways];
    std::vector<double> loadMs[2];
    // Once each first, so that every round reads from the cache.
    Install(small, list, 1000);
    Install(large, list, 10000);
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            switch (way) {
            case Small:
            case Large: {
                const Installed installed =
                    way == Small ? Install(small, list, 1000) : Install(large, list, 10000);
                loadMs[way].push_back(installed.readMs);
                ms[way].push_back(installed.listMs);
                break;
            }
            case ReadSmall:
                ms[way].push_back(PlainRead(small, 1000));
                break;
            default:
                ms[way].push_back(PlainRead(large, 10000));
            }
        }
    }
    std::printf("1,000 versions:  data files read in %.1f ms, listed and sorted in %.1f ms\n",
                BenchSupport::MedianOf(loadMs[Small]), BenchSupport::MedianOf(ms[Small]));
    std::printf("10,000 versions: data files read in %.1f ms, listed and sorted in %.1f ms "
                "(aim < 100)\n",
                BenchSupport::MedianOf(loadMs[Large]), BenchSupport::MedianOf(ms[Large]));
    std::printf("plain read of the data files: 1,000 %.1f ms, 10,000 %.1f ms\n",
                BenchSupport::MedianOf(ms[ReadSmall]), BenchSupport::MedianOf(ms[ReadLarge]));
    auto ratios = [&](Way a, Way b) {
        std::vector<double> r;
        for (int round = 0; round < kRounds; ++round)
            r.push_back(ms[a][size_t(round)] / ms[b][size_t(round)]);
        return r;
    };
    std::printf("baseline: open, read and close of the same data files\n");
    auto loadRatios = [&](Way a, Way b) {
        std::vector<double> r;
        for (int round = 0; round < kRounds; ++round)
            r.push_back(loadMs[a][size_t(round)] / ms[b][size_t(round)]);
        return r;
    };
    BenchSupport::PrintRatios("list and sort, 10,000 / 1,000 versions", ratios(Large, Small),
                              "(aim <= 10)");
    BenchSupport::PrintRatios("data read, 1,000 versions / plain read",
                              loadRatios(Small, ReadSmall));
    BenchSupport::PrintRatios("data read, 10,000 versions / plain read",
                              loadRatios(Large, ReadLarge));
    return 0;
}
