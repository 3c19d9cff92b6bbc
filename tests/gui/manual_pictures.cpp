// Makes the user manual's pictures of the window, on a workspace of its own:
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 build/sanitize/bin/manual_pictures
//   docs/manual/images
// A tool, not a test: run it again when the window changes.
#include "GuiHarness.h"

#include "platform/DateTimeText.h"
#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/CompareDialog.h"
#include "ui/HistoryPanel.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/TAboutBox.h"
#include "ui/TreeFilterField.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QMenu>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

namespace {

QString DaysAgo(int days, int hour, int minute) {
    return CheckInDateTime(QDateTime(QDate::currentDate().addDays(-days), QTime(hour, minute)),
                           QLocale::system());
}

// The bytes of a literal that holds a NUL.
template <qsizetype N> QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

// Three clients of an engineering office, one project with a history.
void MakeWorkspace(const QString& root, const QString& editor) {
    const QString crane = root + QStringLiteral("Acme Shipping/Harbour Crane/");
    GuiHarness::MakeVersion(crane + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("marta"), DaysAgo(60, 9, 12),
                            QStringLiteral("First sketches and the load table."), editor);
    GuiHarness::MakeVersion(crane + QStringLiteral("Version 2"), false, QStringLiteral("version 1"),
                            QStringLiteral("jan"), DaysAgo(41, 16, 40),
                            QStringLiteral("Boom length corrected."), editor);
    GuiHarness::MakeVersion(crane + QStringLiteral("Version 3"), false, QStringLiteral("Version 2"),
                            QStringLiteral("jan"), DaysAgo(22, 11, 5),
                            QStringLiteral("Counterweight for the longer boom."), editor);
    GuiHarness::MakeVersion(crane + QStringLiteral("Version 4"), true, QStringLiteral("Version 3"),
                            QStringLiteral("marta"), DaysAgo(19, 8, 30), QString(), editor);
    GuiHarness::MakeVersion(crane + QStringLiteral("Version 5"), true, QStringLiteral("Version 3"),
                            QStringLiteral("jan"), DaysAgo(2, 14, 20), QString(), editor);
    for (const char* version : {"Version 3", "Version 5"}) {
        const QString folder = crane + QLatin1String(version) + u'/';
        const bool newer = QLatin1String(version) == QLatin1String("Version 5");
        WriteText(folder + QStringLiteral("load-table.txt"),
                  newer ? "Boom 42 m\nLoad at tip 12 t\nLoad at 20 m 31 t\nWind limit 20 m/s\n"
                        : "Boom 42 m\nLoad at tip 10 t\nLoad at 20 m 31 t\n");
        WriteText(folder + QStringLiteral("drawing.pdf"),
                  newer ? Bytes("%PDF-1.7\0\x01\x02 crane v5") : Bytes("%PDF-1.7\0\x01 crane"));
        WriteText(folder + (newer ? QStringLiteral("wind-study.txt")
                                  : QStringLiteral("old-counterweight.txt")),
                  "notes\n");
    }
    const QString quay = root + QStringLiteral("Acme Shipping/Quay Wall/");
    GuiHarness::MakeVersion(quay + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("marta"), DaysAgo(90, 10, 0));
    GuiHarness::MakeVersion(root + QStringLiteral("Acme Shipping/Fleet Renewal/version 1"), false,
                            QString(), QStringLiteral("jan"), DaysAgo(70, 15, 0));
    GuiHarness::MakeVersion(root + QStringLiteral("Borealis Energy/Wind Park North/version 1"),
                            false, QString(), QStringLiteral("ola"), DaysAgo(80, 9, 0));
    GuiHarness::MakeVersion(root + QStringLiteral("Borealis Energy/Wind Park North/Version 2"),
                            true, QStringLiteral("version 1"), QStringLiteral("ola"),
                            DaysAgo(47, 9, 45));
    GuiHarness::MakeVersion(root + QStringLiteral("Borealis Energy/Acme tools/version 1"), false,
                            QString(), QStringLiteral("ola"), DaysAgo(30, 13, 0));
    GuiHarness::MakeVersion(root + QStringLiteral("Cobalt and Sons/Mill Upgrade/version 1"), false,
                            QString(), QStringLiteral("jan"), DaysAgo(12, 10, 30));
}

bool Save(QWidget* widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const bool saved = widget->grab().save(QDir(folder).filePath(name));
    std::printf("%s %s\n", saved ? "made" : "FAILED", qPrintable(name));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    IsolateFromUserFiles();
    TQuorvelApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: manual_pictures FOLDER\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    // A workspace with a name a reader could have; made anew, removed after.
    QDir work(QDir::tempPath() + QStringLiteral("/Work"));
    if (work.exists()) {
        std::fprintf(stderr, "%s is there already; remove it first\n", qPrintable(work.path()));
        return 1;
    }
    const auto removeWork = qScopeGuard([&work] { work.removeRecursively(); });
    MakeWorkspace(work.path() + u'/', QStringLiteral("/usr/bin/editor"));
    bool saved = true;
    {
        GuiHarness gui;
        gui.WriteSettings({QStringLiteral("[Project]"),
                           QStringLiteral("Workspace=") + work.path() + u'/',
                           QStringLiteral("[Recent opened]"), QStringLiteral("Items=1"),
                           QStringLiteral("Item 0=") + work.path() + u'/'});
        gui.WriteEditorRegistry(
            {QStringLiteral("[Text editor]"), QStringLiteral("Path=/usr/bin/editor")});
        if (!gui.Start())
            return 1;
        TMainForm* window = gui.window;
        window->resize(1061, 828);
        OverviewCommands* overview = window->Overview();
        // What the window does before it waits for input.
        const auto settle = [&] {
            QCoreApplication::processEvents();
            window->ActionManager1Update();
            overview->UpdateEnabled();
        };
        const auto select = [&](const char* version) {
            overview->SelectVersion(QStringLiteral("Acme Shipping"),
                                    QStringLiteral("Harbour Crane"), QLatin1String(version));
            settle();
            // The size in the details is measured in the background.
            saved =
                QTest::qWaitFor([&] {
                    return !window->Details()->toPlainText().contains(QStringLiteral("measuring"));
                }) &&
                saved;
        };
        window->Tree()->expandAll();
        select("Version 3");
        saved = Save(window, folder, QStringLiteral("window.png")) && saved;
        saved = Save(window->Ribbon(), folder, QStringLiteral("ribbon.png")) && saved;

        select("Version 5");
        QMenu* menu = window->VersionMenu();
        menu->popup(window->VersionList()->mapToGlobal(QPoint(300, 120)));
        saved = QTest::qWaitForWindowExposed(menu) && saved;
        saved = Save(menu, folder, QStringLiteral("version-menu.png")) && saved;
        menu->hide();

        auto* filter = window->findChild<TreeFilterField*>();
        QTest::keyClicks(filter, QStringLiteral("ACME"));
        settle();
        saved = Save(window, folder, QStringLiteral("tree-filter.png")) && saved;
        QTest::keyClick(filter, Qt::Key_Escape);

        overview->CheckedOutAction()->trigger();
        CheckedOutPanel* panel = overview->Panel();
        saved = QTest::qWaitFor([&] { return panel->isVisible() && !panel->Stale(); }) && saved;
        window->Ribbon()->Tabs()->setCurrentIndex(1);
        QTreeWidget* rows = panel->List();
        rows->setCurrentItem(rows->topLevelItem(rows->topLevelItemCount() - 1)); // Version 5
        select("Version 5");
        saved = Save(window, folder, QStringLiteral("checked-out.png")) && saved;

        panel->hide();
        overview->HistoryAction()->trigger();
        HistoryPanel* history = overview->History();
        saved = QTest::qWaitFor([&] { return history->isVisible() && !history->Stale(); }) && saved;
        QTreeWidget* versions = history->List();
        for (int row = 0; row < versions->topLevelItemCount(); ++row) {
            if (versions->topLevelItem(row)->text(2) == QLatin1String("Version 2"))
                versions->setCurrentItem(versions->topLevelItem(row));
        }
        settle();
        saved = QTest::qWaitFor([&] {
                    return !window->Details()->toPlainText().contains(QStringLiteral("measuring"));
                }) &&
                saved;
        saved = Save(window, folder, QStringLiteral("history.png")) && saved;
        history->hide();
        select("Version 5");

        overview->CompareParentAction()->trigger();
        CompareDialog* dialog = overview->Comparison();
        if (!dialog || !QTest::qWaitForWindowExposed(dialog))
            return 1;
        QTreeWidget* files = dialog->List();
        for (int row = 0; row < files->topLevelItemCount(); ++row) {
            if (files->topLevelItem(row)->text(1) == QLatin1String("load-table.txt"))
                files->setCurrentItem(files->topLevelItem(row));
        }
        saved = Save(dialog, folder, QStringLiteral("compare.png")) && saved;
        dialog->close();

        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
                saved = QTest::qWaitForWindowExposed(box) && saved;
                saved = Save(box, folder, QStringLiteral("about.png")) && saved;
                box->accept();
            } else {
                saved = false;
            }
        });
        window->Command(QStringLiteral("AboutAction"))->trigger();
    }
    return saved ? 0 : 1;
}
