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

namespace {

QString Ended(bool ok) {
    return ok ? QStringLiteral("ok") : QStringLiteral("cancel");
}

// Opens the dialog modally; what it ended with: "ok", "cancel" or, for a
// box with one button, "closed".
QString RunDialog(const QString& dialog, const QString& folder) {
    QtUser user;
    if (dialog == QLatin1String("check-in"))
        return Ended(user.AskCheckIn(QStringLiteral("jan"), QStringLiteral("why")).has_value());
    if (dialog == QLatin1String("name"))
        return Ended(user.AskName(QStringLiteral("New name dialog"),
                                  QStringLiteral("Enter new name"), QStringLiteral("Pump"))
                         .has_value());
    if (dialog == QLatin1String("confirm"))
        return Ended(user.Confirm(QStringLiteral("Delete Project Pump?")));
    if (dialog == QLatin1String("folder"))
        return Ended(user.AskFolder(QStringLiteral("Import"), folder).has_value());
    if (dialog == QLatin1String("program")) {
        UserInterface::OpenFileRequest request;
        request.initialFolder = folder;
        return Ended(user.AskOpenFile(request).has_value());
    }
    if (dialog == QLatin1String("compare"))
        return Ended(CompareDialog().exec() == QDialog::Accepted);
    if (dialog == QLatin1String("waiting"))
        return Ended(user.WaitForWorkspace(QStringLiteral("marta"), [] { return false; }));
    if (dialog == QLatin1String("progress")) {
        QuietProgress progress(nullptr, QStringLiteral("Progress"), QString(), QString(), 0);
        // Work that goes on until it is cancelled.
        for (int step = 0; step < 100000; ++step) {
            if (!progress.Step(step % 100, 100))
                return Ended(false);
            QTest::qWait(5);
        }
        return Ended(true);
    }
    if (dialog == QLatin1String("about"))
        TAboutBox().exec();
    else if (dialog == QLatin1String("information"))
        user.ShowInformation(QStringLiteral("Import succeeded"));
    else
        user.ShowMessage(QStringLiteral("name Pump already exists."));
    return QStringLiteral("closed");
}

void Row(const char* name, const char* dialog, const char* tabTo, int key, const char* outcome) {
    QTest::newRow(name) << QString::fromLatin1(dialog) << QString::fromLatin1(tabTo) << key
                        << QString::fromLatin1(outcome);
}

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
    const int escape = Qt::Key_Escape;
    Row("check-in: Tab to Ok, Return", "check-in", "Ok", ret, "ok");
    Row("check-in: Tab to Ok, keypad Enter", "check-in", "Ok", int(Qt::Key_Enter), "ok");
    Row("check-in: Tab to Cancel, Return", "check-in", "Cancel", ret, "cancel");
    Row("check-in: Escape", "check-in", "", escape, "cancel");
    Row("name: Return in the field", "name", "", ret, "ok");
    Row("name: Tab to Cancel, Return", "name", "Cancel", ret, "cancel");
    Row("name: Escape", "name", "", escape, "cancel");
    Row("confirm: Return is Yes", "confirm", "", ret, "ok");
    Row("confirm: Tab to No, Return", "confirm", "No", ret, "cancel");
    Row("confirm: Escape is No", "confirm", "", escape, "cancel");
    Row("message: Return", "message", "", ret, "closed");
    Row("information: Escape", "information", "", escape, "closed");
    Row("folder browser: Return", "folder", "", ret, "ok");
    Row("folder browser: Escape", "folder", "", escape, "cancel");
    Row("program: Tab to Cancel, Return", "program", "Cancel", ret, "cancel");
    Row("compare: Tab to Close, Return", "compare", "Close", ret, "cancel");
    Row("compare: Escape", "compare", "", escape, "cancel");
    Row("about: Return", "about", "", ret, "closed");
    Row("waiting: Return on Cancel", "waiting", "Cancel", ret, "cancel");
    Row("waiting: Escape", "waiting", "", escape, "cancel");
    Row("progress: Escape", "progress", "", escape, "cancel");
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
    const QString ended = RunDialog(dialog, folder.Path() + QStringLiteral("chosen"));
    QVERIFY2(reached, "Tab did not reach the button");
    QVERIFY(pressed);
    QVERIFY2(!stayed, "the key left the dialog open");
    QCOMPARE(ended, outcome);
}

QUORVEL_GUI_TEST_MAIN(TestDialogKeys)
#include "tst_dialogkeys.moc"
