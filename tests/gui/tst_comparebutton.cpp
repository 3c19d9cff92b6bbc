// The compare dialog's "Open in Comparison Program": enabled for a changed
// text file when a comparison program is there, and otherwise its tool tip
// says why it is grey and, without a program, which one to install.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "ui/CompareDialog.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

TVersion* VersionAt(const QString& name) {
    TVersionItem* project = ProjectMngr->Clients()
                                ->ItemByName(QStringLiteral("Acme"))
                                ->VersionCollection()
                                ->ItemByName(QStringLiteral("Pump"));
    return static_cast<TVersion*>(project->VersionCollection()->ItemByName(name));
}

} // namespace

class TestCompareButton : public QObject {
    Q_OBJECT

private slots:
    void greyButtonSaysWhy_data();
    void greyButtonSaysWhy();
};

void TestCompareButton::greyButtonSaysWhy_data() {
    QTest::addColumn<bool>("program");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QStringList>("toolTipSays");
    const QStringList install{"meld", "kdiff3", "kompare", "Install", "apt-get install meld"};
    QTest::newRow("no program, a changed text file") << false << "work.txt" << false << install;
    QTest::newRow("no program, a binary file") << false << "picture.bin" << false << install;
    QTest::newRow("a program, a binary file")
        << true << "picture.bin" << false << QStringList{"Only a changed text file"};
    QTest::newRow("a program, a changed text file")
        << true << "work.txt" << true << QStringList{"work.txt", "side by side"};
}

void TestCompareButton::greyButtonSaysWhy() {
    QFETCH(bool, program);
    QFETCH(QString, file);
    QFETCH(bool, enabled);
    QFETCH(QStringList, toolTipSays);
    TestWorkspace ws;
    const QString pump = ws.Path() + QStringLiteral("Acme/Pump/");
    GuiHarness::MakeVersion(pump + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(pump + QStringLiteral("Version 2"), false, QStringLiteral("version 1"),
                            QStringLiteral("jan"), QStringLiteral("x"));
    ws.CreateFile(QStringLiteral("Acme/Pump/version 1/work.txt"), "one\ntwo\n");
    ws.CreateFile(QStringLiteral("Acme/Pump/Version 2/work.txt"), "one\n2\n");
    ws.CreateFile(QStringLiteral("Acme/Pump/version 1/picture.bin"), QByteArray("a\0b", 3));
    ws.CreateFile(QStringLiteral("Acme/Pump/Version 2/picture.bin"), QByteArray("a\0c", 3));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());

    CompareDialog dialog;
    dialog.SetComparisonProgram(program ? QStringLiteral("/usr/bin/meld") : QString());
    QVERIFY(dialog.Compare(*VersionAt(QStringLiteral("version 1")),
                           *VersionAt(QStringLiteral("Version 2"))));
    const QList<QTreeWidgetItem*> rows = dialog.List()->findItems(file, Qt::MatchExactly, 1);
    QCOMPARE(rows.size(), 1);
    dialog.List()->setCurrentItem(rows[0]);

    QPushButton* open = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("&Open in Comparison Program"))
            open = button;
    }
    QVERIFY(open);
    QCOMPARE(open->isEnabled(), enabled);
    const QString toolTip = open->toolTip();
    for (const QString& part : toolTipSays)
        QVERIFY2(toolTip.contains(part), qPrintable(toolTip));
}

QUORVEL_GUI_TEST_MAIN(TestCompareButton)
#include "tst_comparebutton.moc"
