// Rebuilding the catalogue from 100,000 folders against the fastest plain
// walk of the same folders.

#include "BenchSupport.h"
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"

#include <QCoreApplication>
#include <QProcess>

#include <algorithm>
#include <memory>

#include <dirent.h>

namespace {

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

    long walked = 0;
    int items = 0;
    // Warm the caches first so that both read the same memory.
    Walk(native, 1);
    const double walk = BenchSupport::BestOf(5, [&] { walked = Walk(native, 1); });
    double rebuild = 1e300;
    for (int run = 0; run < 5; ++run) {
        auto clients = std::make_unique<TClients>(&owner);
        rebuild = std::min(
            rebuild, BenchSupport::BestOf(1, [&] { clients->ReadFromRoot(owner.workspace); }));
        items = Count(*clients);
    }
    const double find = BenchSupport::BestOf(3, [&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("find"),
                      {owner.workspace, QStringLiteral("-mindepth"), QStringLiteral("1"),
                       QStringLiteral("-maxdepth"), QStringLiteral("3"), QStringLiteral("-type"),
                       QStringLiteral("d")});
        process.waitForFinished(-1);
    });
    std::printf("folders walked:      %ld\n", walked);
    std::printf("items rebuilt:       %d\n", items);
    std::printf("plain walk:          %.1f ms\n", walk);
    std::printf("ReadFromRoot:        %.1f ms\n", rebuild);
    std::printf("find -maxdepth 3:    %.1f ms\n", find);
    std::printf("ratio to the walk:   %.2f (aim 1.5 or less)\n", rebuild / walk);
    std::printf("ratio to find:       %.2f\n", rebuild / find);
    return walked == items ? 0 : 1;
}
