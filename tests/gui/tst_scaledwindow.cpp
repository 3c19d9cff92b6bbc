// The window at twice the size, on a screen that is 1280 by 800 at that
// size: nothing lies off the screen or is cut off, and the pictures are
// drawn in the screen's own pixels.
#include "GuiHarness.h"

#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/TAboutBox.h"

#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QToolButton>
#include <QtTest>

class TestScaledWindow : public QObject {
    Q_OBJECT

private slots:
    void windowOnTheScreen();
    void ribbonTextsWhole();
    void picturesInTheScreensPixels();
};

void TestScaledWindow::windowOnTheScreen() {
    GuiHarness app;
    QVERIFY(app.Start());
    QVERIFY(QTest::qWaitForWindowExposed(app.window));
    QCOMPARE(app.window->devicePixelRatio(), 2.0);
    const QRect screen = app.window->screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1280, 800));
    QVERIFY2(screen.contains(app.window->frameGeometry()),
             qPrintable(QStringLiteral("%1 x %2")
                            .arg(app.window->frameGeometry().width())
                            .arg(app.window->frameGeometry().height())));
    QVERIFY(app.window->statusBar()->isVisible());
}

void TestScaledWindow::ribbonTextsWhole() {
    GuiHarness app;
    QVERIFY(app.Start());
    QVERIFY(QTest::qWaitForWindowExposed(app.window));
    RibbonBar* ribbon = app.window->Ribbon();
    const QRect shown = ribbon->rect();
    // Every command's caption whole, and its button within the ribbon.
    for (RibbonGroup* group : ribbon->Groups()) {
        for (QToolButton* button : group->findChildren<QToolButton*>()) {
            const QString name = button->text();
            for (const QString& line : QString(name).remove(u'&').split(u'\n'))
                QVERIFY2(button->fontMetrics().horizontalAdvance(line) <= button->width(),
                         qPrintable(name));
            QVERIFY2(shown.contains(QRect(button->mapTo(ribbon, QPoint()), button->size())),
                     qPrintable(name));
        }
    }
}

void TestScaledWindow::picturesInTheScreensPixels() {
    GuiHarness app;
    QVERIFY(app.Start());
    const ImageList& pictures = app.window->SmallImages();
    QVERIFY(pictures.Count() >= 6);
    for (int i = 0; i < pictures.Count(); ++i) {
        QCOMPARE(pictures.At(i).deviceIndependentSize(), QSizeF(16, 16));
        QCOMPARE(pictures.At(i).devicePixelRatio(), 2.0);
    }
    TAboutBox box;
    auto* logo = box.findChild<QLabel*>(QStringLiteral("JvSpecialImage1"));
    QVERIFY(logo);
    QCOMPARE(logo->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(logo->pixmap().deviceIndependentSize(), QSizeF(136, 71));
}

int main(int argc, char** argv) {
    IsolateFromUserFiles();
    // A screen of 2560 by 1600 pixels, 1280 by 800 at twice the size.
    QTemporaryFile screens(QDir::tempPath() + QStringLiteral("/quorvel-screens-XXXXXX.json"));
    if (!screens.open())
        return 1;
    screens.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 2560,
                      "height": 1600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    qputenv("QT_SCALE_FACTOR", "2");
    TQuorvelApplication app(argc, argv);
    TestScaledWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scaledwindow.moc"
