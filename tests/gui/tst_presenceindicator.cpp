// Who else has the window's workspace open, in its status bar.
#include "GuiHarness.h"

#include "platform/UserName.h"
#include "ui/PresenceIndicator.h"
#include "workspace/WorkspacePresence.h"

#include <QtTest>

class TestPresenceIndicator : public QObject {
    Q_OBJECT

private slots:
    void windowAndOthersSeeEachOther();
};

void TestPresenceIndicator::windowAndOthersSeeEachOther() {
    GuiHarness app;
    QVERIFY(app.Start());
    auto* indicator = app.window->findChild<PresenceIndicator*>();
    QVERIFY(indicator);
    QCOMPARE(indicator->text(), QString());

    WorkspacePresence other;
    QVERIFY(other.SetWorkspace(ProjectMngr->WorkSpace()));
    QCOMPARE(other.Others().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(
        indicator->text().startsWith("Also open here: " + GetUserFromWindows() + " on "), 10000);

    // The window moves on: neither sees the other any more.
    app.window->SetWorkspace(app.ProgramFolder() + QStringLiteral("Elsewhere/"));
    QCOMPARE(indicator->text(), QString());
    QVERIFY(other.Others().isEmpty());
}

QUORVEL_GUI_TEST_MAIN(TestPresenceIndicator)
#include "tst_presenceindicator.moc"
