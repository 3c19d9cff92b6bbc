// The comparison's diff in the colours comparison tools use, readable on a
// light and on a dark palette.
#include "GuiHarness.h"

#include "ui/CompareDialog.h"
#include "ui/OverviewCommands.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTreeWidget>
#include <QtTest>

namespace {

// WCAG's contrast ratio of two colours.
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString HueName(const QColor& colour) {
    const int hue = colour.hslHue();
    if (hue < 0 || colour.hslSaturation() < 60)
        return QStringLiteral("grey");
    if (hue >= 90 && hue <= 160)
        return QStringLiteral("green");
    if (hue <= 20 || hue >= 340)
        return QStringLiteral("red");
    if (hue >= 190 && hue <= 250)
        return QStringLiteral("blue");
    return QStringLiteral("other");
}

QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    return dark;
}

} // namespace

class TestDiffColours : public QObject {
    Q_OBJECT

private slots:
    void linesInTheirColours_data();
    void linesInTheirColours();
};

void TestDiffColours::linesInTheirColours_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light palette") << false;
    QTest::newRow("dark palette") << true;
}

void TestDiffColours::linesInTheirColours() {
    QFETCH(bool, dark);
    const QPalette before = QApplication::palette();
    QApplication::setPalette(dark ? DarkPalette() : QPalette(QColor(0xef, 0xef, 0xef)));
    auto restore = qScopeGuard([&] { QApplication::setPalette(before); });

    TestWorkspace ws;
    const QString w = ws.Path() + QStringLiteral("Acme/Crane/");
    GuiHarness::MakeVersion(w + "version 1", false, QString(), "ann", "earlier");
    GuiHarness::MakeVersion(w + "Version 2", true, "version 1", "ann", "now");
    // Removed and added lines that look like file headers.
    ws.CreateFile("Acme/Crane/version 1/work.txt", "one\ntwo\nthree\n-- x\n");
    ws.CreateFile("Acme/Crane/Version 2/work.txt", "one\n2\nthree\n++ y\n");
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());
    // The tree's selection from start-up reaches the catalogue first.
    QCoreApplication::processEvents();
    OverviewCommands* overview = app.window->Overview();
    QVERIFY(overview->SelectVersion("Acme", "Crane", "Version 2"));
    overview->UpdateEnabled();
    overview->CompareParentAction()->trigger();
    CompareDialog* dialog = overview->Comparison();
    QVERIFY(dialog);
    dialog->List()->setCurrentItem(dialog->List()->topLevelItem(0));

    QPlainTextEdit* panel = dialog->DiffPanel();
    const QColor base = panel->palette().color(QPalette::Base);
    const QColor text = panel->palette().color(QPalette::Text);
    QStringList kinds;
    for (QTextBlock block = panel->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty())
            continue;
        const QTextCharFormat format = block.begin().fragment().charFormat();
        const QBrush back = block.blockFormat().background();
        const QColor foreground =
            format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : text;
        const QColor background = back.style() == Qt::NoBrush ? base : back.color();
        QVERIFY2(Contrast(foreground, background) >= 4.5, qPrintable(block.text()));
        QString kind = back.style() == Qt::NoBrush
                           ? QStringLiteral("plain")
                           : HueName(foreground) + u'/' + HueName(background);
        if (format.fontWeight() >= QFont::Bold)
            kind += QStringLiteral(" bold");
        kinds << block.text() + QStringLiteral(": ") + kind;
    }
    QCOMPARE(kinds, (QStringList{"--- version 1/work.txt: grey/grey bold",
                                 "+++ Version 2/work.txt: grey/grey bold",
                                 "@@ -1,4 +1,4 @@: blue/blue bold", " one: plain", "-two: red/red",
                                 "+2: green/green", " three: plain", "--- x: red/red",
                                 "+++ y: green/green"}));
}

QUORVEL_GUI_TEST_MAIN(TestDiffColours)
#include "tst_diffcolours.moc"
