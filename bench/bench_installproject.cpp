// Listing a project of 1,000 versions that all have data files.

#include "BenchSupport.h"
#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/VersionListView.h"
#include "platform/ProgramPaths.h"
#include "platform/UserInterface.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

class VersionListRow {};

// A list that keeps rows the way a real one must: created, sorted, dropped.
class MemoryList : public VersionListView {
public:
    ~MemoryList() override { ForgetAllRows(); }
    void SetRow(VersionListRow*, const QString&, int, int) override {}
    void SetGroupHeader(int, const QString&) override {}
    void Sort() override {}
    void SelectRow(VersionListRow*) override {}
    bool IsRowSelected(const VersionListRow*) const override { return false; }
    void BeginUpdate() override {}
    void EndUpdate() override {}

protected:
    VersionListRow* CreateRow(TVersion*) override { return &row_; }
    void DestroyRow(VersionListRow*) override {}
    void DestroyAllRows() override {}

private:
    VersionListRow row_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root = BenchSupport::BenchRoot(argc, argv) + QStringLiteral("/install-1000/");
    const QString project = root + QStringLiteral("Client/Project/");
    if (!QFile::exists(project + QStringLiteral("Version 1000/QuorvelConfig.xml"))) {
        for (int v = 1; v <= 1000; ++v) {
            const QString folder = project + QStringLiteral("Version %1/").arg(v);
            QDir().mkpath(folder);
            QFile data(folder + QStringLiteral("QuorvelConfig.xml"));
            data.open(QIODevice::WriteOnly);
            data.write(
                QStringLiteral("<Version state=\"%1\" parent=\"Version %2\" >\r<Editor>\r"
                               "/usr/bin/editor</Editor>\r    <Date_time>\r        "
                               "09-12-2026 12:00:00\r    </Date_time>\r    <Owner>\r"
                               "        someone\r    </Owner>\r    <Description>\r"
                               "        Work of the day\r    </Description>\r</Version>\r\n")
                    .arg(v % 10 ? QStringLiteral("checked in") : QStringLiteral("checked out"))
                    .arg(v - 1)
                    .toLatin1());
        }
        QFile::remove(root + QStringLiteral("QuorvelConfig.xml"));
    }
    QTemporaryDir program;
    ProgramPaths::SetProgramFolderForTesting(program.path() + u'/');

    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        MemoryList list;
        // Nobody to ask: the silent user installed now stays in place.
        QuorvelRuntime runtime(User(), TQuorvelConfig::Access::ReadOnly);
        TVersionManager* versions = runtime.VersionManager(&list);
        ProjectMngr->SetWorkSpace(root);
        TVersionItem* projectItem =
            ProjectMngr->Clients()->GetItems(0)->VersionCollection()->GetItems(0);
        best = std::min(best, BenchSupport::BestOf(1, [&] {
                            versions->InstallProject(static_cast<TProject*>(projectItem));
                        }));
    }
    std::printf("InstallProject, 1000 versions with data files: %.1f ms\n", best);
    return 0;
}
