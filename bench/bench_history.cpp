// The check-in search of a workspace of 100,000 versions (every data file
// read, as the window and quorvel-cli log --grep read them) against
// grep -ril of the same text over the same data files, and the history of
// one project of 10,000 versions (its rows read, dated and ordered), warm.
// The two take turns, a different one first each round.

#include "BenchSupport.h"
#include "LongProject.h"
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "versioning/CheckInSearch.h"
#include "versioning/ProjectHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

namespace {

constexpr int kRounds = 7;

class NoViews : public CatalogueOwner {
public:
    QString workspace;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

// Wall and processor milliseconds: the processor time is what a loaded
// machine stretches least.
struct Time {
    double ms = 0;
    double cpuMs = 0;
};

double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Time Measure(const std::function<void()>& work) {
    const double cpu = ThreadCpuMs();
    Time time;
    time.ms = BenchSupport::BestOf(1, work);
    time.cpuMs = ThreadCpuMs() - cpu;
    return time;
}

Time Grep(const QString& text, const QString& folder) {
    const BenchSupport::ProcessRun run =
        BenchSupport::RunProcess({QStringLiteral("grep"), QStringLiteral("-ril"),
                                  QStringLiteral("--include=QuorvelConfig.xml"), text, folder});
    return {run.ms, run.cpuMs};
}

struct Figures {
    std::vector<Time> ours;
    std::vector<Time> grep;

    void Print(const char* oursName, const char* grepName, const char* aim) const {
        std::vector<double> ms, cpu, grepMs, grepCpu, ratios, cpuRatios;
        for (size_t i = 0; i < ours.size(); ++i) {
            ms.push_back(ours[i].ms);
            cpu.push_back(ours[i].cpuMs);
            grepMs.push_back(grep[i].ms);
            grepCpu.push_back(grep[i].cpuMs);
            ratios.push_back(ours[i].ms / grep[i].ms);
            cpuRatios.push_back(ours[i].cpuMs / grep[i].cpuMs);
        }
        BenchSupport::PrintMs((std::string("  ") + oursName + ", wall").c_str(), ms, aim);
        BenchSupport::PrintMs((std::string("  ") + oursName + ", processor").c_str(), cpu, aim);
        BenchSupport::PrintMs((std::string("  ") + grepName + ", wall").c_str(), grepMs);
        BenchSupport::PrintMs((std::string("  ") + grepName + ", processor").c_str(), grepCpu);
        BenchSupport::PrintRatios("  ours / grep, wall", ratios);
        BenchSupport::PrintRatios("  ours / grep, processor", cpuRatios);
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString benchRoot = BenchSupport::BenchRoot(argc, argv);
    BenchSupport::PrintLoad("start");

    NoViews large;
    large.workspace = BenchSupport::WorkspaceWithData(benchRoot, 100, 20, 50);
    auto clients = std::make_unique<TClients>(&large);
    clients->ReadFromRoot(large.workspace);
    int versions = 0;
    for (int c = 0; c < clients->Count(); ++c) {
        const TVersionCollection* projects = clients->GetItems(c)->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p)
            versions += projects->GetItems(p)->VersionCollection()->Count();
    }

    NoViews single;
    single.workspace = LongProject(benchRoot, 10000);
    auto singleClients = std::make_unique<TClients>(&single);
    singleClients->ReadFromRoot(single.workspace);
    const TVersionItem* project = singleClients->GetItems(0)->VersionCollection()->GetItems(0);

    // "day 17" is in one version of every project, so every project is
    // dated and ordered; "harbour" is nowhere, so only read.
    struct Text {
        const char* name;
        QString text;
        Figures figures;
        size_t found = 0;
    };
    std::vector<Text> texts{{"found in every project", QStringLiteral("DAY 17"), {}},
                            {"found nowhere", QStringLiteral("harbour"), {}}};
    Figures history;
    size_t rows = 0;
    double longestStep = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (Text& text : texts) {
            auto search = [&] {
                text.figures.ours.push_back(Measure([&] {
                    CheckInSearch searching(text.text);
                    QElapsedTimer step;
                    step.start();
                    searching.Search(clients.get(), QLocale::system(), [&](int, int) {
                        longestStep = std::max(longestStep, double(step.nsecsElapsed()) / 1e6);
                        step.restart();
                        return true;
                    });
                    text.found = searching.Results().size();
                }));
            };
            auto grep = [&] { text.figures.grep.push_back(Grep(text.text, large.workspace)); };
            if (round % 2) {
                search();
                grep();
            } else {
                grep();
                search();
            }
        }
        auto read = [&] {
            history.ours.push_back(Measure([&] {
                ProjectHistory projectHistory;
                projectHistory.Read(project);
                rows = projectHistory.Rows().size();
            }));
        };
        auto grep = [&] { history.grep.push_back(Grep(QStringLiteral("anna"), single.workspace)); };
        if (round % 2) {
            read();
            grep();
        } else {
            grep();
            read();
        }
    }

    std::printf("workspace: %d versions with data files; project: %zu versions\n", versions, rows);
    for (const Text& text : texts) {
        std::printf("search \"%s\" (%s): %zu found\n", qPrintable(text.text), text.name,
                    text.found);
        text.figures.Print("CheckInSearch::Search", "grep -ril", "(aim: at most grep)");
    }
    std::printf("longest step between progress reports: %.1f ms\n", longestStep);
    std::printf("history of one project of %zu versions, warm:\n", rows);
    history.Print("ProjectHistory::Read", "grep -ril of its data files", "(aim: under 200 ms)");
    BenchSupport::PrintLoad("end");
    return rows == 10000 && texts[0].found == size_t(versions / 50) && texts[1].found == 0 ? 0 : 1;
}
