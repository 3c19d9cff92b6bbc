// The window's History panel on one project of 10,000 versions, warm: from
// the command to every row shown, and a filter typed into it. Run it under
// a display, e.g. xvfb-run -a build/release/bin/bench_historypanel.

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "LongProject.h"
#include "catalogue/TClients.h"
#include "platform/ProgramPaths.h"
#include "ui/HistoryPanel.h"
#include "ui/OverviewCommands.h"
#include "ui/TQuorvelApplication.h"
#include "versioning/TVersionManager.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <vector>

namespace {

constexpr int kRounds = 7;
constexpr int kWaitMs = 60000;
constexpr int kVersions = 10000;

// Lets the window work until the panel shows rows rows.
bool WaitForRows(const HistoryPanel* panel, int rows) {
    for (QDeadlineTimer deadline(kWaitMs); !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!panel->Stale() && panel->List()->topLevelItemCount() == rows)
            return true;
    }
    std::fprintf(stderr, "the panel shows %d rows, %s\n", panel->List()->topLevelItemCount(),
                 panel->Stale() ? "stale" : "read");
    return false;
}

int VisibleRows(const QTreeWidget* list) {
    int shown = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        shown += list->topLevelItem(i)->isHidden() ? 0 : 1;
    return shown;
}

} // namespace

int main(int argc, char** argv) {
    TQuorvelApplication app(argc, argv);
    const QString workspace = LongProject(BenchSupport::BenchRoot(argc, argv), kVersions);
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path());
    BenchSupport::PrintLoad("start");

    const BenchWindow window(workspace);
    TVersionItem* project = ProjectMngr->Clients()->GetItems(0)->VersionCollection()->GetItems(0);
    VersionMngr->SetActiveItem(project);
    OverviewCommands* overview = window->Overview();
    HistoryPanel* panel = overview->History();

    std::vector<double> shown, filtered;
    int matched = 0;
    bool complete = true;
    for (int round = 0; round < kRounds; ++round) {
        panel->hide();
        // As when the window waits for the user: the commands are enabled.
        overview->UpdateEnabled();
        shown.push_back(BenchSupport::BestOf(1, [&] {
            overview->HistoryAction()->trigger();
            complete = WaitForRows(panel, kVersions) && complete;
        }));
        filtered.push_back(BenchSupport::BestOf(1, [&] {
            panel->SetFilterText(QStringLiteral("DAY 17"));
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            matched = VisibleRows(panel->List());
        }));
        panel->SetFilterText(QString());
    }
    std::printf("history of one project of %d versions in the window, warm:\n", kVersions);
    BenchSupport::PrintMs("  History to every row shown", shown, "(aim: under 200 ms)");
    BenchSupport::PrintMs("  filter \"DAY 17\" typed", filtered);
    std::printf("  rows matching the filter: %d\n", matched);
    BenchSupport::PrintLoad("end");
    return complete && matched > 0 ? 0 : 1;
}
