// Gathering the checked-out versions of 100,000 versions (reading every
// data file) against grep reading the same data files; then the same with
// the data files evicted from the page cache before each run (a morning
// start), against `grep -l` one file after another and `xargs -P8 grep -l`.

#include "BenchSupport.h"
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "platform/DateTimeText.h"
#include "versioning/CheckedOutVersions.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QLocale>
#include <QProcess>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class NoViews : public CatalogueOwner {
public:
    QString workspace;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

// Gives every version of the generated workspace a data file; one in 25 is
// checked out. Once: later runs reuse them.
void AddDataFiles(const QString& workspace) {
    const QString marker = workspace + QStringLiteral(".data-complete");
    if (QFile::exists(marker))
        return;
    std::fprintf(stderr, "writing data files in %s ...\n", qPrintable(workspace));
    QDirIterator versions(workspace, {QStringLiteral("work.txt")}, QDir::Files,
                          QDirIterator::Subdirectories);
    int n = 0;
    while (versions.hasNext()) {
        const QString folder = QFileInfo(versions.next()).path();
        const bool out = ++n % 25 == 0;
        const QDateTime when = QDateTime(QDate(2024, 1, 1), QTime(9, 0)).addSecs(qint64(n) * 631);
        const QString text =
            QStringLiteral("<Version state=\"%1\" parent=\"version 1\" >\r<Editor>\r</Editor>\r"
                           "    <Date_time>\r        %2\r    </Date_time>\r"
                           "    <Owner>\r        bench\r    </Owner>\r"
                           "    <Description>\r        \r    </Description>\r</Version>\r\n")
                .arg(out ? QStringLiteral("checked out") : QStringLiteral("checked in"),
                     CheckInDateTime(when, QLocale::system()));
        QFile file(folder + QStringLiteral("/QuorvelConfig.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toLatin1());
    }
    QFile done(marker);
    done.open(QIODevice::WriteOnly);
}

struct Figures {
    std::vector<double> ms;
    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
    double Max() const { return *std::max_element(ms.begin(), ms.end()); }
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NoViews owner;
    owner.workspace = BenchSupport::LargeWorkspace(BenchSupport::BenchRoot(argc, argv) +
                                                   QStringLiteral("/checkedout"));
    AddDataFiles(owner.workspace);
    constexpr int Rounds = 7;

    Figures gather;
    Figures grep;
    size_t found = 0;
    int versions = 0;
    double longestStep = 0;
    // Alternating, so that the machine's noise falls on both alike.
    for (int round = 0; round < Rounds; ++round) {
        auto clients = std::make_unique<TClients>(&owner);
        clients->ReadFromRoot(owner.workspace);
        QElapsedTimer step;
        gather.ms.push_back(BenchSupport::BestOf(1, [&] {
            CheckedOutVersions checkedOut;
            step.start();
            checkedOut.Gather(clients.get(), [&](int, int) {
                longestStep = std::max(longestStep, double(step.nsecsElapsed()) / 1e6);
                step.restart();
                return true;
            });
            found = checkedOut.OldestFirst(QLocale::system()).size();
        }));
        versions = 0;
        for (int c = 0; c < clients->Count(); ++c) {
            const TVersionCollection* projects = clients->GetItems(c)->VersionCollection();
            for (int p = 0; p < projects->Count(); ++p)
                versions += projects->GetItems(p)->VersionCollection()->Count();
        }
        grep.ms.push_back(BenchSupport::BestOf(1, [&] {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(QStringLiteral("grep"),
                          {QStringLiteral("-rl"), QStringLiteral("--include=QuorvelConfig.xml"),
                           QStringLiteral("checked out"), owner.workspace});
            process.waitForFinished(-1);
        }));
    }
    std::printf("versions:                 %d\n", versions);
    std::printf("checked out:              %zu\n", found);
    std::printf("rounds:                   %d\n", Rounds);
    std::printf("gather + sort  min/med/max: %.1f / %.1f / %.1f ms\n", gather.Min(),
                gather.Median(), gather.Max());
    std::printf("grep -rl       min/med/max: %.1f / %.1f / %.1f ms\n", grep.Min(), grep.Median(),
                grep.Max());
    std::printf("ratio of medians to grep: %.2f\n", gather.Median() / grep.Median());
    std::printf("longest step between progress reports: %.1f ms\n", longestStep);
    BenchSupport::PrintLoad("the end of the warm rounds");

    const QString dataFiles = owner.workspace + QStringLiteral("../checkedout.files");
    BenchSupport::WriteDataFileList(owner.workspace, dataFiles);
    auto shell = [&](const char* options) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("xargs -0 %1 grep -l 'checked out' < '%2'")
                                       .arg(QLatin1String(options), dataFiles)});
        process.waitForFinished(-1);
    };
    constexpr int ColdRounds = 3;
    enum Way { Gather, Grep, GrepMany, Ways };
    std::vector<double> cold[Ways];
    bool dropped = false;
    size_t coldFound = 0;
    for (int round = 0; round < ColdRounds; ++round) {
        for (int turn = 0; turn < Ways; ++turn) {
            const Way way = Way((round + turn) % Ways);
            auto clients = std::make_unique<TClients>(&owner);
            clients->ReadFromRoot(owner.workspace);
            dropped = BenchSupport::EvictFromCache(dataFiles);
            cold[way].push_back(BenchSupport::BestOf(1, [&] {
                if (way == Gather) {
                    CheckedOutVersions checkedOut;
                    checkedOut.Gather(clients.get(), [](int, int) { return true; });
                    coldFound = checkedOut.OldestFirst(QLocale::system()).size();
                } else {
                    shell(way == Grep ? "" : "-P8 -n 500");
                }
            }));
        }
    }
    QFile::remove(dataFiles);
    std::printf("cold: data files evicted before each run%s\n",
                dropped ? ", and all caches dropped" : " (posix_fadvise only)");
    BenchSupport::PrintMs("cold gather + sort", cold[Gather]);
    BenchSupport::PrintMs("cold xargs grep -l", cold[Grep]);
    BenchSupport::PrintMs("cold xargs -P8 grep -l", cold[GrepMany]);
    auto ratios = [&](Way a, Way b) {
        std::vector<double> r;
        for (int round = 0; round < ColdRounds; ++round)
            r.push_back(cold[a][size_t(round)] / cold[b][size_t(round)]);
        return r;
    };
    BenchSupport::PrintRatios("cold gather / xargs -P8 grep -l", ratios(Gather, GrepMany),
                              "(aim <= 1.0)");
    BenchSupport::PrintRatios("cold gather / xargs grep -l", ratios(Gather, Grep), "(aim <= 0.7)");
    BenchSupport::PrintLoad("the end of the cold rounds");
    return found == size_t(versions / 25) && coldFound == found ? 0 : 1;
}
