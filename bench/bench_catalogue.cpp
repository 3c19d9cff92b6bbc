// The catalogue file of a large workspace (100 clients x 20 projects x 50
// versions): reading it against Qt's own XML reader over the same file,
// writing it against a plain file write of the same bytes, and the peak
// memory a loaded item costs.
//
// The same measure for versions with their data files: a workspace of
// 100,000 versions (see BenchSupport::WorkspaceWithData), its catalogue
// and every data file loaded.
//
//   bench_catalogue [folder]        folder for the generated catalogue
//   bench_catalogue --load <folder> (internal) load once, print memory
//   bench_catalogue --load-data <workspace> (internal) the same with data

#include "BenchSupport.h"
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "platform/TextFile.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kClients = 100;
constexpr int kProjects = 20;
constexpr int kVersions = 50;
constexpr int kRuns = 5;

class Owner : public CatalogueOwner {
public:
    explicit Owner(QString workSpace) : workSpace_(std::move(workSpace)) {}
    QString WorkSpace() const override { return workSpace_; }
    CatalogueTreeView* TreeView() const override { return nullptr; }

private:
    QString workSpace_;
};

int CountItems(const TVersionCollection& collection) {
    int n = collection.Count();
    for (int i = 0; i < collection.Count(); ++i) {
        if (const TVersionCollection* below = collection.GetItems(i)->VersionCollection())
            n += CountItems(*below);
    }
    return n;
}

void Build(TClients& root) {
    for (int c = 0; c < kClients; ++c) {
        TVersionItem* client = root.AddItem();
        client->SetName(QStringLiteral("Client %1").arg(c));
        for (int p = 0; p < kProjects; ++p) {
            TVersionItem* project = client->VersionCollection()->AddItem();
            project->SetName(QStringLiteral("Project %1").arg(p));
            for (int v = 1; v <= kVersions; ++v) {
                TVersionItem* version = project->VersionCollection()->AddItem();
                version->SetName(v == 1 ? QStringLiteral("version 1")
                                        : QStringLiteral("Version %1").arg(v));
            }
        }
    }
}

std::unique_ptr<TClients> Load(Owner& owner, const QString& folder) {
    auto root = std::make_unique<TClients>(&owner);
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(folder).GetParser();
    root->ReadFromXml(*parser);
    return root;
}

// Child mode: one load in a fresh process, so that the peak is the load's.
int LoadOnce(const QString& folder) {
    Owner owner(folder);
    const qint64 before = BenchSupport::PeakResidentBytes();
    const std::unique_ptr<TClients> root = Load(owner, folder);
    const qint64 after = BenchSupport::PeakResidentBytes();
    std::printf("%d %lld %lld\n", CountItems(*root), before, after);
    return 0;
}

// Child mode: the catalogue and every data file, in a fresh process.
int LoadWithData(const QString& workspace) {
    Owner owner(workspace);
    const qint64 before = BenchSupport::PeakResidentBytes();
    auto root = std::make_unique<TClients>(&owner);
    if (const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(workspace).GetParser())
        root->ReadFromXml(*parser);
    else
        root->ReadFromRoot(workspace);
    root->LoadData();
    const qint64 after = BenchSupport::PeakResidentBytes();
    int versions = 0;
    for (int c = 0; c < root->Count(); ++c) {
        const TVersionCollection* projects = root->GetItems(c)->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p)
            versions += projects->GetItems(p)->VersionCollection()->Count();
    }
    std::printf("%d %lld %lld\n", versions, before, after);
    return 0;
}

// The peak growth a child mode reports, and the items it counts.
bool MeasureChild(const QStringList& arguments, qint64* items, qint64* before, qint64* after) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return false;
    *items = fields[0].toLongLong();
    *before = fields[1].toLongLong();
    *after = fields[2].toLongLong();
    return *items > 0;
}

qint64 XmlStreamTokens(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader reader(&input);
    qint64 tokens = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        ++tokens;
    }
    return reader.hasError() ? -1 : tokens;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--load")
        return LoadOnce(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--load-data")
        return LoadWithData(QString::fromLocal8Bit(argv[2]));

    const QString folder =
        (argc > 1 ? QString::fromLocal8Bit(argv[1])
                  : QDir::tempPath() + QStringLiteral("/quorvel-bench-catalogue")) +
        u'/';
    QDir().mkpath(folder);
    const QString file = folder + TConfigStreamer::ConfigFileName();

    Owner owner(folder);
    TClients built(&owner);
    Build(built);
    const int items = CountItems(built);
    const QByteArray bytes = TextFile::Encode(built.AsXml() + QLatin1String("\r\n"));
    std::printf("catalogue: %d items, %lld bytes, best of %d runs\n", items,
                static_cast<long long>(bytes.size()), kRuns);

    // Save: the program's way (text building, encoding, temporary file,
    // flush to disk, rename) against writing the finished bytes.
    const double save =
        BenchSupport::BestOf(kRuns, [&] { TConfigStreamer(folder).WriteXmlString(built.AsXml()); });
    const QString plainFile = folder + QStringLiteral("plain.xml");
    const double plain = BenchSupport::BestOf(kRuns, [&] {
        QFile out(plainFile);
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
    });
    const double plainSynced = BenchSupport::BestOf(kRuns, [&] {
        QFile out(plainFile);
        if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush())
            ::fsync(out.handle());
    });
    const double asXml = BenchSupport::BestOf(kRuns, [&] { (void)built.AsXml(); });
    const QString text = built.AsXml();
    const double encode = BenchSupport::BestOf(kRuns, [&] { (void)TextFile::Encode(text); });
    const double atomic =
        BenchSupport::BestOf(kRuns, [&] { TextFile::WriteAtomically(plainFile, bytes); });
    QFile::remove(plainFile);
    std::printf("save:   %8.1f ms (text %.1f, encoding %.1f, atomic write %.1f)  plain QFile "
                "write %8.1f ms  ratio %.2f\n",
                save, asXml, encode, atomic, plain, save / plain);
    std::printf("        plain QFile write + fsync %8.1f ms  ratio %.2f (the program's write is "
                "flushed to disk)\n",
                plainSynced, save / plainSynced);

    // Load: the catalogue reader into a fresh root without views, against
    // QXmlStreamReader reading every token of the same file.
    double load = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<TClients> root = Load(owner, folder);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (CountItems(*root) != items) {
            std::fprintf(stderr, "read %d items, wrote %d\n", CountItems(*root), items);
            return 1;
        }
        load = std::min(load, ms);
    }
    qint64 tokens = 0;
    const double stream = BenchSupport::BestOf(kRuns, [&] { tokens = XmlStreamTokens(file); });
    if (tokens < 0) {
        std::fprintf(stderr, "QXmlStreamReader failed on the catalogue\n");
        return 1;
    }
    std::printf("load:   %8.1f ms  QXmlStreamReader (%lld tokens) %8.1f ms  ratio %.2f "
                "(aim <= 1.0)\n",
                load, static_cast<long long>(tokens), stream, load / stream);

    // Memory: the growth of the peak over one load in a fresh process.
    qint64 loaded = 0;
    qint64 before = 0;
    qint64 after = 0;
    if (!MeasureChild({QStringLiteral("--load"), folder}, &loaded, &before, &after)) {
        std::fprintf(stderr, "the load process failed\n");
        return 1;
    }
    std::printf("memory: peak %.1f MB before, %.1f MB after loading %lld items: "
                "%.0f bytes per item (aim <= 300)\n",
                double(before) / 1e6, double(after) / 1e6, static_cast<long long>(loaded),
                double(after - before) / double(loaded));
    const QString workspace = BenchSupport::WorkspaceWithData(
        QDir::tempPath() + QStringLiteral("/quorvel-bench"), kClients, kProjects, kVersions);
    if (!MeasureChild({QStringLiteral("--load-data"), workspace}, &loaded, &before, &after)) {
        std::fprintf(stderr, "the load process with data files failed\n");
        return 1;
    }
    std::printf("memory: peak %.1f MB before, %.1f MB after loading %lld versions with their "
                "data files: %.0f bytes per version (aim <= 350)\n",
                double(before) / 1e6, double(after) / 1e6, static_cast<long long>(loaded),
                double(after - before) / double(loaded));
    return 0;
}
