// The Overview tab looks like the rest of the window: its commands are
// large buttons with pictures, and the checked-out panel stands under the
// version list, not under the tree, leaving the list most of its room.
#include "GuiHarness.h"

#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QImage>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QToolButton* ButtonOf(RibbonBar* ribbon, int tab, const QAction* action) {
    const QString caption = QString(action->iconText()).remove(u'&');
    for (RibbonGroup* group : ribbon->Groups(tab)) {
        for (QToolButton* button : group->findChildren<QToolButton*>()) {
            if (button->text().remove(u'&').replace(u'\n', u' ') == caption)
                return button;
        }
    }
    return nullptr;
}

// Share of the picture's pixels that are drawn.
double Covered(const QPixmap& picture) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0;
    }
    return image.isNull() ? 0 : double(drawn) / (image.width() * image.height());
}

QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

} // namespace

class TestOverviewLayout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void largeButtonsWithPictures_data();
    void largeButtonsWithPictures();
    void panelUnderTheListOnly_data();
    void panelUnderTheListOnly();

private:
    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestOverviewLayout::init() {
    ws_ = std::make_unique<TestWorkspace>();
    for (int i = 1; i <= 12; ++i) {
        GuiHarness::MakeVersion(ws_->Path() + QStringLiteral("Client %1/Project/Version 2").arg(i),
                                true, "version 1", "ann", "some day");
    }
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()});
    QVERIFY(app_->Start());
    QVERIFY(QTest::qWaitForWindowExposed(app_->window));
}

void TestOverviewLayout::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestOverviewLayout::largeButtonsWithPictures_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("All Checked Out") << "CheckedOutListAction";
    QTest::newRow("Compare with Parent") << "CompareParentAction";
    QTest::newRow("Compare With") << "CompareOtherAction";
    QTest::newRow("History") << "HistoryAction";
    QTest::newRow("Send as Archive") << "SendArchiveAction";
}

void TestOverviewLayout::largeButtonsWithPictures() {
    QFETCH(QString, command);
    RibbonBar* ribbon = app_->window->Ribbon();
    QToolButton* model = ButtonOf(ribbon, 0, app_->window->Command("RefreshWorkspaceAction"));
    QVERIFY(model);
    const int height = model->height();
    auto* action = app_->window->findChild<QAction*>(command);
    QVERIFY(action);
    ribbon->Tabs()->setCurrentIndex(1);
    QToolButton* button = ButtonOf(ribbon, 1, action);
    QVERIFY(button);
    QCOMPARE(button->toolButtonStyle(), model->toolButtonStyle());
    QCOMPARE(button->iconSize(), model->iconSize());
    // Drawn in the screen's own pixels, and more than a speck.
    const QPixmap picture = button->icon().pixmap(button->iconSize(), button->devicePixelRatio());
    QCOMPARE(picture.deviceIndependentSize(), QSizeF(button->iconSize()));
    QCOMPARE(picture.devicePixelRatio(), button->devicePixelRatio());
    QVERIFY(Covered(picture) > 0.2);
    // As tall as the buttons beside it.
    QTRY_COMPARE(button->height(), height);
}

void TestOverviewLayout::panelUnderTheListOnly_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1280 x 800") << QSize(1280, 800);
    QTest::newRow("1400 x 1000") << QSize(1400, 1000);
    QTest::newRow("the design size") << QSize(1061, 828);
}

void TestOverviewLayout::panelUnderTheListOnly() {
    QFETCH(QSize, size);
    TMainForm* window = app_->window;
    window->setWindowState(Qt::WindowNoState);
    window->resize(size);
    QTRY_COMPARE(window->size(), size);
    window->Overview()->UpdateEnabled();
    window->Overview()->CheckedOutAction()->trigger();
    CheckedOutPanel* panel = window->Overview()->Panel();
    QTRY_VERIFY(panel->isVisible() && !panel->Stale());
    QTest::qWait(0);

    const QRect list = InWindow(window->VersionList());
    const QRect details = InWindow(window->Details());
    const QRect shown = InWindow(panel);
    const QRect tree = InWindow(window->Tree());
    // In the list's column, below the list and its details.
    QCOMPARE(shown.left(), list.left());
    QCOMPARE(shown.right(), list.right());
    QVERIFY(shown.top() >= details.bottom());
    QVERIFY(shown.left() > tree.right());
    QVERIFY(shown.bottom() <= window->statusBar()->mapTo(window, QPoint()).y());
    // The list keeps at least half the column; the panel still shows rows.
    const int column = shown.bottom() - list.top();
    QVERIFY2(list.height() * 2 >= column,
             qPrintable(QStringLiteral("%1 of %2").arg(list.height()).arg(column)));
    QTreeWidget* rows = panel->List();
    QVERIFY(rows->viewport()->height() >= 3 * rows->visualItemRect(rows->topLevelItem(0)).height());
    // Closed, it gives the room back to the list.
    panel->close();
    QTRY_VERIFY(InWindow(window->VersionList()).height() > list.height());
}

int main(int argc, char** argv) {
    IsolateFromUserFiles();
    // Room for every size the test tries.
    QTemporaryFile screens(QDir::tempPath() + QStringLiteral("/quorvel-screens-XXXXXX.json"));
    if (!screens.open())
        return 1;
    screens.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1600,
                      "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    TQuorvelApplication app(argc, argv);
    TestOverviewLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_overviewlayout.moc"
