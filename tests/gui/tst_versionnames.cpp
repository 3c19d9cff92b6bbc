// One version, one name: the list names a checked-out version after its
// parent, every other view names its folder and says where it came from,
// so that the names can be matched; the list's tooltip gives the folder.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "platform/DateTimeText.h"
#include "ui/CheckedOutPanel.h"
#include "ui/CompareDialog.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/VersionListModel.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QMenu>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A check-in or check-out on day of March 2024, as the program writes it.
QString When(int day) {
    return CheckInDateTime(QDateTime(QDate(2024, 3, day), QTime(10, 0)), QLocale::system());
}

QStringList ListCaptions(VersionListWidget* list) {
    return list->Captions(0) + list->Captions(1);
}

QStringList ListToolTips(VersionListWidget* list) {
    QStringList tips;
    VersionListModel* model = list->Model();
    for (int group = 0; group < VersionListModel::GroupCount; ++group) {
        const QModelIndex parent = model->GroupIndex(group);
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QString html = model->index(row, 0, parent).data(Qt::ToolTipRole).toString();
            tips << QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
        }
    }
    return tips;
}

QStringList MenuTexts(QMenu* menu) {
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* entry : menu->actions())
        texts << entry->text();
    return texts;
}

} // namespace

class TestVersionNames : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void namesInEveryView_data();
    void namesInEveryView();

private:
    OverviewCommands* Overview() const { return app_->window->Overview(); }
    void Select(const QString& version) {
        QVERIFY(
            Overview()->SelectVersion(QStringLiteral("Acme"), QStringLiteral("Crane"), version));
        Overview()->UpdateEnabled();
    }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestVersionNames::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString w = ws_->Path() + QStringLiteral("Acme/Crane/");
    GuiHarness::MakeVersion(w + "version 1", false, QString(), "ann", When(1));
    GuiHarness::MakeVersion(w + "Version 2", false, "version 1", "ann", When(2));
    GuiHarness::MakeVersion(w + "Version 3", true, "Version 2", "root", When(3));
    GuiHarness::MakeVersion(w + "Version 10", true, QString(), "jan", When(4));
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()});
    QVERIFY(app_->Start());
    QCoreApplication::processEvents();
}

void TestVersionNames::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestVersionNames::namesInEveryView_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<QStringList>("names");
    const QString v3 = QStringLiteral("Version 3 (from Version 2, checked out by root)");
    const QString v10 = QStringLiteral("Version 10 (checked out by jan)");
    // The list keeps its own rule, newest first.
    QTest::newRow("list") << "list"
                          << QStringList{"Version 10 checked out by jan",
                                         "Version 2 checked out by root", "Version 2", "version 1"};
    QTest::newRow("list's tooltips")
        << "tooltips"
        << QStringList{
               "Folder: Version 10 State: checked out Checked out at: " + When(4) + " by jan",
               "Folder: Version 3 State: checked out Checked out at: " + When(3) + " by root",
               "Folder: Version 2 State: checked in Checked in at: " + When(2) + " by ann",
               "Folder: version 1 State: checked in Checked in at: " + When(1) + " by ann"};
    QTest::newRow("All Checked Out") << "panel" << QStringList{v3, v10};
    QTest::newRow("Compare with Parent")
        << "compare parent" << QStringList{"Acme / Crane: " + v3 + " compared with Version 2"};
    QTest::newRow("Compare With, newest first")
        << "compare menu" << QStringList{v10, v3, "version 1"};
    QTest::newRow("Compare With, the newer one first")
        << "compare other" << QStringList{"Acme / Crane: " + v10 + " compared with Version 2"};
    QTest::newRow("the commands' captions")
        << "captions" << QStringList{"Compare with Parent", "Compare With"};
}

void TestVersionNames::namesInEveryView() {
    QFETCH(QString, view);
    QFETCH(QStringList, names);
    QStringList shown;
    VersionListWidget* list = app_->window->VersionList();
    if (view == "list") {
        Select(QStringLiteral("Version 2"));
        shown = ListCaptions(list);
    } else if (view == "tooltips") {
        Select(QStringLiteral("Version 2"));
        shown = ListToolTips(list);
    } else if (view == "panel") {
        Overview()->UpdateEnabled();
        Overview()->CheckedOutAction()->trigger();
        QTRY_VERIFY(!Overview()->Panel()->Stale());
        for (const QString& row : Overview()->Panel()->Rows())
            shown << row.section(QStringLiteral(" | "), 2, 2);
        // A row still leads to its version.
        QTreeWidget* rows = Overview()->Panel()->List();
        rows->setCurrentItem(rows->topLevelItem(1));
        QTest::keyClick(rows, Qt::Key_Return);
        QCOMPARE(VersionMngr->ActiveVersion()->Name(), QStringLiteral("Version 10"));
    } else if (view == "compare parent") {
        Select(QStringLiteral("Version 3"));
        Overview()->CompareParentAction()->trigger();
        QVERIFY(Overview()->Comparison());
        shown << Overview()->Comparison()->Heading();
    } else if (view == "compare menu") {
        Select(QStringLiteral("Version 2"));
        shown = MenuTexts(Overview()->CompareMenu());
    } else if (view == "compare other") {
        Select(QStringLiteral("Version 2"));
        MenuTexts(Overview()->CompareMenu());
        Overview()->CompareMenu()->actions().at(0)->trigger();
        QVERIFY(Overview()->Comparison());
        shown << Overview()->Comparison()->Heading();
    } else if (view == "captions") {
        // The ribbon's buttons and the version list's menu use the same
        // words for each command.
        QStringList ribbon;
        for (RibbonGroup* group : app_->window->Ribbon()->Groups(1)) {
            for (QToolButton* button : group->findChildren<QToolButton*>())
                ribbon << button->text().remove(u'&').replace(u'\n', u' ');
        }
        for (QAction* command :
             {Overview()->CompareParentAction(), Overview()->CompareOtherAction()}) {
            QVERIFY(app_->window->VersionMenu()->actions().contains(command));
            const QString inMenu = command->text().remove(u'&');
            QVERIFY2(ribbon.contains(inMenu), qPrintable(ribbon.join(u',') + " / " + inMenu));
            shown << inMenu;
        }
    }
    QCOMPARE(shown, names);
}

QUORVEL_GUI_TEST_MAIN(TestVersionNames)
#include "tst_versionnames.moc"
