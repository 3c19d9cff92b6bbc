// Every dialog of the program answers the keyboard alike: Return and the
// keypad's Enter press the focused button, or the default one where the
// focus is on no button; Escape cancels.
#include "GuiHarness.h"

#include "ui/CompareDialog.h"
#include "ui/QtUser.h"
#include "ui/QuietProgress.h"
#include "ui/TAboutBox.h"
#include "ui/TCheckInDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <map>

namespace {

// Opens one dialog modally and tells what it ended with: "ok", "cancel"
// or, for a box with one button, "closed".
using DialogRun = std::function<QString(const QString& folder)>;

std::map<QString, DialogRun> Dialogs() {
    std::map<QString, DialogRun> runs;
    runs["check-in"] = [](const QString&) {
        QtUser user;
        return user.AskCheckIn(QStringLiteral("jan"), QStringLiteral("why"))
                   ? QStringLiteral("ok")
                   : QStringLiteral("cancel");
    };
    runs["name"] = [](const QString&) {
        QtUser user;
        return user.AskName(QStringLiteral("New name dialog"), QStringLiteral("Enter new name"),
                            QStringLiteral("Pump"))
                   ? QStringLiteral("ok")
                   : QStringLiteral("cancel");
    };
    runs["confirm"] = [](const QString&) {
        QtUser user;
        return user.Confirm(QStringLiteral("Delete Project Pump?")) ? QStringLiteral("ok")
                                                                    : QStringLiteral("cancel");
    };
    runs["message"] = [](const QString&) {
        QtUser user;
        user.ShowMessage(QStringLiteral("name Pump already exists."));
        return QStringLiteral("closed");
    };
    runs["information"] = [](const QString&) {
        QtUser user;
        user.ShowInformation(QStringLiteral("Import succeeded"));
        return QStringLiteral("closed");
    };
    runs["error"] = [](const QString&) {
        QtUser user;
        user.ShowError(QStringLiteral("The folder could not be read"));
        return QStringLiteral("closed");
    };
    runs["folder"] = [](const QString& folder) {
        QtUser user;
        return user.AskFolder(QStringLiteral("Import"), folder) ? QStringLiteral("ok")
                                                                : QStringLiteral("cancel");
    };
    runs["program"] = [](const QString& folder) {
        QtUser user;
        UserInterface::OpenFileRequest request;
        request.title = QStringLiteral("Select program ");
        request.filterDescription = QStringLiteral("Executables (*.exe)");
        request.filterPattern = QStringLiteral("*");
        request.initialFolder = folder;
        return user.AskOpenFile(request) ? QStringLiteral("ok") : QStringLiteral("cancel");
    };
    runs["compare"] = [](const QString&) {
        CompareDialog dialog;
        return dialog.exec() == QDialog::Accepted ? QStringLiteral("ok") : QStringLiteral("cancel");
    };
    runs["about"] = [](const QString&) {
        TAboutBox box;
        box.exec();
        return QStringLiteral("closed");
    };
    runs["waiting for the workspace"] = [](const QString&) {
        QtUser user;
        return user.WaitForWorkspace(QStringLiteral("marta on host1"), [] { return false; })
                   ? QStringLiteral("ok")
                   : QStringLiteral("cancel");
    };
    runs["progress"] = [](const QString&) {
        QuietProgress progress(nullptr, QStringLiteral("CompareProgress"),
                               QStringLiteral("Compare versions"), QString(), 0);
        // Work that goes on until it is cancelled; a step per frame.
        for (int step = 0; step < 100000; ++step) {
            if (!progress.Step(step % 100, 100))
                return QStringLiteral("cancel");
            QTest::qWait(5);
        }
        return QStringLiteral("ok");
    };
    return runs;
}

// The button a Return press should reach; none for the default.
QAbstractButton* ButtonNamed(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->text().remove(u'&') == text)
            return button;
    }
    return nullptr;
}

} // namespace

class TestDialogKeys : public QObject {
    Q_OBJECT

private slots:
    void keysPressTheButtons_data();
    void keysPressTheButtons();
};

void TestDialogKeys::keysPressTheButtons_data() {
    QTest::addColumn<QString>("dialog");
    // The button Tab goes to first; empty leaves the focus where it opens.
    QTest::addColumn<QString>("tabTo");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("outcome");
    const int ret = Qt::Key_Return;
    const int enter = Qt::Key_Enter;
    const int escape = Qt::Key_Escape;
    QTest::newRow("check-in: Tab to Ok, Return") << "check-in"
                                                 << "Ok" << ret << "ok";
    QTest::newRow("check-in: Tab to Ok, keypad Enter") << "check-in"
                                                       << "Ok" << enter << "ok";
    QTest::newRow("check-in: Tab to Cancel, Return") << "check-in"
                                                     << "Cancel" << ret << "cancel";
    QTest::newRow("check-in: Escape") << "check-in"
                                      << "" << escape << "cancel";
    QTest::newRow("name: Return in the field") << "name"
                                               << "" << ret << "ok";
    QTest::newRow("name: keypad Enter in the field") << "name"
                                                     << "" << enter << "ok";
    QTest::newRow("name: Tab to Cancel, Return") << "name"
                                                 << "Cancel" << ret << "cancel";
    QTest::newRow("name: Escape") << "name"
                                  << "" << escape << "cancel";
    QTest::newRow("confirm: Return is Yes") << "confirm"
                                            << "" << ret << "ok";
    QTest::newRow("confirm: Tab to No, Return") << "confirm"
                                                << "No" << ret << "cancel";
    QTest::newRow("confirm: Escape is No") << "confirm"
                                           << "" << escape << "cancel";
    QTest::newRow("message: Return") << "message"
                                     << "" << ret << "closed";
    QTest::newRow("message: Escape") << "message"
                                     << "" << escape << "closed";
    QTest::newRow("information: keypad Enter") << "information"
                                               << "" << enter << "closed";
    QTest::newRow("error: Return") << "error"
                                   << "" << ret << "closed";
    QTest::newRow("folder browser: Return") << "folder"
                                            << "" << ret << "ok";
    QTest::newRow("folder browser: Escape") << "folder"
                                            << "" << escape << "cancel";
    QTest::newRow("program: Escape") << "program"
                                     << "" << escape << "cancel";
    QTest::newRow("program: Tab to Cancel, Return") << "program"
                                                    << "Cancel" << ret << "cancel";
    QTest::newRow("compare: Tab to Close, Return") << "compare"
                                                   << "Close" << ret << "cancel";
    QTest::newRow("compare: Escape") << "compare"
                                     << "" << escape << "cancel";
    QTest::newRow("about: Return") << "about"
                                   << "" << ret << "closed";
    QTest::newRow("waiting: Return on Cancel") << "waiting for the workspace"
                                               << "Cancel" << ret << "cancel";
    QTest::newRow("waiting: Escape") << "waiting for the workspace"
                                     << "" << escape << "cancel";
    QTest::newRow("progress: Escape") << "progress"
                                      << "" << escape << "cancel";
    QTest::newRow("progress: Return on Cancel") << "progress"
                                                << "Cancel" << ret << "cancel";
}

void TestDialogKeys::keysPressTheButtons() {
    QFETCH(QString, dialog);
    QFETCH(QString, tabTo);
    QFETCH(int, key);
    QFETCH(QString, outcome);
    TestWorkspace folder;
    folder.CreateDir(QStringLiteral("chosen"));

    bool reached = tabTo.isEmpty();
    bool pressed = false;
    bool stayed = false;
    QPointer<QWidget> modal;
    QTimer::singleShot(0, [&] {
        if (!QTest::qWaitFor([&] {
                modal = QApplication::activeModalWidget();
                return modal && modal->isVisible() && QApplication::focusWidget() &&
                       modal->isAncestorOf(QApplication::focusWidget());
            }))
            return;
        if (!tabTo.isEmpty()) {
            QAbstractButton* target = ButtonNamed(modal, tabTo);
            // As the user does: Tab until the button has the focus.
            for (int i = 0; target && i < 30 && QApplication::focusWidget() != target; ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached = target && QApplication::focusWidget() == target;
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        pressed = true;
        QCoreApplication::processEvents();
        // Whatever the key did not end is ended, so that the test goes on.
        if (auto* progress = qobject_cast<QProgressDialog*>(modal.data())) {
            if (!progress->wasCanceled()) {
                stayed = true;
                progress->cancel();
            }
        } else if (modal && modal->isVisible()) {
            stayed = true;
            if (auto* open = qobject_cast<QDialog*>(modal.data()))
                open->done(-1);
        }
    });
    const QString ended = Dialogs().at(dialog)(folder.Path() + QStringLiteral("chosen"));
    QVERIFY2(reached, "Tab did not reach the button");
    QVERIFY(pressed);
    QVERIFY2(!stayed, "the key left the dialog open");
    QCOMPARE(ended, outcome);
}

QUORVEL_GUI_TEST_MAIN(TestDialogKeys)
#include "tst_dialogkeys.moc"
