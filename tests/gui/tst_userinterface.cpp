#include "GuiHarness.h"

#include "catalogue/ItemFolders.h"
#include "platform/QuorvelError.h"
#include "ui/QtUser.h"
#include "ui/TCheckInDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <stdexcept>

namespace {

// Runs inspect on the next modal dialog once it is up; it must close it.
void WhenModal(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        QWidget* modal = nullptr;
        if (QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }))
            inspect(modal);
    });
}

// True when every line of the label's text fits its width unbroken.
bool LinesFit(const QLabel* label) {
    const QFontMetrics metrics(label->font());
    for (const QString& line : label->text().split(u'\n')) {
        if (metrics.horizontalAdvance(line) > label->contentsRect().width())
            return false;
    }
    return true;
}

bool OnScreen(const QWidget* window) {
    return window->screen()->availableGeometry().contains(window->frameGeometry());
}

// An object whose event handler fails, as a catalogue operation can.
class FailingObject : public QObject {
public:
    explicit FailingObject(bool ownError) : ownError_(ownError) {}
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (ownError_)
            throw QuorvelError(QStringLiteral("The folder could not be read"));
        throw std::runtime_error("out of range");
    }

private:
    bool ownError_;
};

} // namespace

class TestUserInterface : public QObject {
    Q_OBJECT

private slots:
    void errorTextGetsFullStop_data();
    void errorTextGetsFullStop();
    void errorBoxLooksRight();
    void uncaughtErrorsReachTheErrorDisplay_data();
    void uncaughtErrorsReachTheErrorDisplay();
    void confirmBoxAsksYesOrNo_data();
    void confirmBoxAsksYesOrNo();
    void nameDialog_data();
    void nameDialog();
    void dialogsKeepLinesWhole_data();
    void dialogsKeepLinesWhole();
    void programDialogListsFoldersAndPrograms();
    void folderBrowserStartsAndCentres_data();
    void folderBrowserStartsAndCentres();
    void checkInDialogLayout();
    void checkInDialogGivesCrLf_data();
    void checkInDialogGivesCrLf();
    void busyCursorNests();
};

void TestUserInterface::errorTextGetsFullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << QStringLiteral("Boom") << QStringLiteral("Boom.");
    QTest::newRow("full stop") << QStringLiteral("Done.") << QStringLiteral("Done.");
    QTest::newRow("digit sorts after it")
        << QStringLiteral("Error 5") << QStringLiteral("Error 5.");
    QTest::newRow("question mark sorts after it")
        << QStringLiteral("Why?") << QStringLiteral("Why?.");
    QTest::newRow("slash sorts after it") << QStringLiteral("C:/x/") << QStringLiteral("C:/x/.");
    QTest::newRow("exclamation mark sorts before")
        << QStringLiteral("Stop!") << QStringLiteral("Stop!");
    QTest::newRow("closing bracket sorts before") << QStringLiteral("(x)") << QStringLiteral("(x)");
    QTest::newRow("hyphen sorts before") << QStringLiteral("a-") << QStringLiteral("a-");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("non-ASCII letter")
        << QStringLiteral("caf\u00e9") << QStringLiteral("caf\u00e9.");
}

void TestUserInterface::errorTextGetsFullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QtUser::ErrorBoxText(message), shown);
}

void TestUserInterface::errorBoxLooksRight() {
    QtUser user;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    user.ShowError(QStringLiteral("can not create workspace /x/, please select another workspace"));
    QCOMPARE(title, QStringLiteral("Velmora Quorvel"));
    QCOMPARE(text,
             QStringLiteral("can not create workspace /x/, please select another workspace."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
}

void TestUserInterface::uncaughtErrorsReachTheErrorDisplay_data() {
    QTest::addColumn<bool>("ownError");
    QTest::addColumn<QString>("shown");
    QTest::newRow("the program's own error")
        << true << QStringLiteral("error: The folder could not be read");
    QTest::newRow("a standard error") << false << QStringLiteral("error: out of range");
}

void TestUserInterface::uncaughtErrorsReachTheErrorDisplay() {
    QFETCH(bool, ownError);
    QFETCH(QString, shown);
    ScriptedUser user;
    FailingObject failing(ownError);
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QTRY_COMPARE(user.shown, QStringList{shown});
    // The program goes on: the next event is handled as usual.
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QTRY_COMPARE(user.shown.size(), 2);
}

void TestUserInterface::confirmBoxAsksYesOrNo_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestUserInterface::confirmBoxAsksYesOrNo() {
    QFETCH(bool, yes);
    QtUser user;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        QCOMPARE(box->buttons().size(), 2);
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    QCOMPARE(user.Confirm(QStringLiteral("Quorvel was not correctly closed, \rRebuild?")), yes);
    QCOMPARE(title, QStringLiteral("Confirm"));
    QCOMPARE(text, QStringLiteral("Quorvel was not correctly closed, \nRebuild?"));
    QCOMPARE(icon, QMessageBox::Question);
}

void TestUserInterface::nameDialog_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK gives the text") << true;
    QTest::newRow("Cancel gives nothing") << false;
}

void TestUserInterface::nameDialog() {
    QFETCH(bool, ok);
    QtUser user;
    QString title, prompt, text;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        prompt = dialog->labelText();
        text = dialog->textValue();
        dialog->setTextValue(QStringLiteral("Crane"));
        if (ok)
            dialog->accept();
        else
            dialog->reject();
    });
    const std::optional<QString> answer =
        user.AskName(QStringLiteral("New name dialog"), QStringLiteral("Enter new name"),
                     QStringLiteral("Pump"));
    QCOMPARE(title, QStringLiteral("New name dialog"));
    QCOMPARE(prompt, QStringLiteral("Enter new name"));
    QCOMPARE(text, QStringLiteral("Pump"));
    QCOMPARE(answer.has_value(), ok);
    if (ok)
        QCOMPARE(*answer, QStringLiteral("Crane"));
}

void TestUserInterface::dialogsKeepLinesWhole_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    QString forbidden;
    {
        ScriptedUser answers;
        IsLegalDirectoryName(QStringLiteral("a|b"));
        forbidden = answers.messages.value(0);
    }
    QVERIFY(forbidden.contains(QStringLiteral("|\"")));
    QTest::newRow("forbidden characters") << "message" << forbidden << true;
    QTest::newRow("the question after an unclean end")
        << "confirm"
        << QStringLiteral("Quorvel was not correctly closed, \rit is recommendable to rebuild the "
                          "active workspace, \rRebuild the active workspace?")
        << true;
    QTest::newRow("an error with a long path")
        << "error"
        << QStringLiteral("can not create workspace /home/marta/Documents/Clients/Projects/2024/, "
                          "please select another workspace")
        << true;
    QTest::newRow("a message wider than the screen: wrapped, but on the screen")
        << "message" << QStringLiteral("word ").repeated(300) << false;
    QTest::newRow("rename") << "name" << QStringLiteral("Enter new name") << true;
    QTest::newRow("editor name")
        << "name"
        << QStringLiteral("Specify name before [/usr/local/lib/quorvel/tools/viewer.tool]") << true;
    QTest::newRow("a prompt wider than the screen")
        << "name" << QStringLiteral("word ").repeated(300) << false;
}

void TestUserInterface::dialogsKeepLinesWhole() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QtUser user;
    bool fits = false;
    bool onScreen = false;
    bool roomForAName = true;
    WhenModal([&](QWidget* modal) {
        auto* label = modal->findChild<QLabel*>(
            kind == QLatin1String("name") ? QString() : QStringLiteral("qt_msgbox_label"));
        fits = label && LinesFit(label);
        onScreen = OnScreen(modal);
        // The name dialog's field shows a name of forty characters whole.
        if (auto* field = modal->findChild<QLineEdit*>())
            roomForAName = field->width() >= field->fontMetrics().averageCharWidth() * 40;
        static_cast<QDialog*>(modal)->reject();
    });
    if (kind == QLatin1String("confirm"))
        user.Confirm(text);
    else if (kind == QLatin1String("error"))
        user.ShowError(text);
    else if (kind == QLatin1String("name"))
        user.AskName(QStringLiteral("New name dialog"), text, QString());
    else
        user.ShowMessage(text);
    QCOMPARE(fits, whole);
    QVERIFY(onScreen);
    QVERIFY(roomForAName);
}

void TestUserInterface::programDialogListsFoldersAndPrograms() {
    TestWorkspace folder;
    folder.CreateDir(QStringLiteral("tools"));
    const QString viewer = folder.CreateFile(QStringLiteral("viewer"), "#!/bin/sh\n");
    QVERIFY(QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    folder.CreateFile(QStringLiteral("notes.txt"), "plain text");
    QtUser user;
    QStringList listed;
    QList<int> cutColumns;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        auto* files = dialog->findChild<QFileSystemModel*>();
        QAbstractItemView* view = nullptr;
        // The list or the detail view, whichever the dialog shows.
        for (const char* name : {"listView", "treeView"}) {
            auto* shown = dialog->findChild<QAbstractItemView*>(QString::fromLatin1(name));
            if (shown && shown->isVisible())
                view = shown;
        }
        QVERIFY(files && view);
        // The folder is read in the background; all three entries arrive.
        (void)QTest::qWaitFor([&] { return files->rowCount(files->index(folder.Path())) == 3; });
        QModelIndex program;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            listed << index.data().toString();
            if (index.data().toString() == QLatin1String("viewer"))
                program = index;
        }
        listed.sort();
        // Sizes, kinds and dates are not cut off.
        if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
            for (int column = 1; column < details->header()->count(); ++column) {
                if (details->header()->sectionSize(column) <
                    static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column))
                    cutColumns << column;
            }
        }
        // As the user chooses: a click on the program, then Open.
        if (program.isValid()) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(program).center());
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                buttons->button(QDialogButtonBox::Open)->click();
        }
        if (dialog->isVisible())
            dialog->reject();
    });
    UserInterface::OpenFileRequest request;
    request.title = QStringLiteral("Select program ");
    request.filterDescription = QStringLiteral("Executables (*.exe)");
    request.filterPattern = QStringLiteral("*");
    request.initialFolder = folder.Path();
    const std::optional<QString> answer = user.AskOpenFile(request);
    QCOMPARE(listed, (QStringList{QStringLiteral("tools"), QStringLiteral("viewer")}));
    QCOMPARE(answer.value_or(QString()), viewer);
    QCOMPARE(cutColumns, QList<int>());
}

void TestUserInterface::folderBrowserStartsAndCentres_data() {
    QTest::addColumn<bool>("earlier");
    QTest::newRow("first time: the home folder") << false;
    QTest::newRow("the folder chosen before") << true;
}

void TestUserInterface::folderBrowserStartsAndCentres() {
    QFETCH(bool, earlier);
    TestWorkspace ws;
    const QString chosenBefore = ws.CreateDir(QStringLiteral("Earlier")).chopped(1);
    const QString start = earlier ? chosenBefore : QDir::homePath();
    // A window off the screen's centre: the browser does not follow it.
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QtUser user;
    user.SetDialogParent(&owner);
    QString title, shownFolder;
    QPoint centre, screenCentre;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        shownFolder = dialog->directory().absolutePath();
        centre = dialog->geometry().center();
        screenCentre = dialog->screen()->availableGeometry().center();
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<QString> answer =
        user.AskFolder(QStringLiteral("Import"), earlier ? chosenBefore : QString());
    QCOMPARE(title, QStringLiteral("Import"));
    QCOMPARE(shownFolder, start);
    QCOMPARE(answer.value_or(QString()), start);
    QVERIFY((centre - screenCentre).manhattanLength() <= 1);
}

void TestUserInterface::checkInDialogLayout() {
    TCheckInDialog dialog;
    dialog.SetOwner(QStringLiteral("jan"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Check in dialog."));
    QCOMPARE(dialog.size(), QSize(474, 188));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("Owner of version:")));
    QVERIFY(labels.contains(QStringLiteral("Add checkin description:")));
    QVERIFY(labels.contains(QStringLiteral("jan")));
    QCOMPARE(dialog.OkButton()->text(), QStringLiteral("Ok"));
    QCOMPARE(dialog.CancelButton()->text(), QStringLiteral("Cancel"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.DescriptionBox()));
    QCOMPARE(dialog.DescriptionBox()->toPlainText(), QString());
}

void TestUserInterface::checkInDialogGivesCrLf_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result");
    QTest::newRow("typed lines") << QString() << QStringLiteral("one\ntwo") << true
                                 << QStringLiteral("one\r\ntwo");
    QTest::newRow("starts with the given text")
        << QStringLiteral("first\r\nsecond") << QStringLiteral("\nthird") << true
        << QStringLiteral("first\r\nsecond\r\nthird");
    QTest::newRow("given with bare CR")
        << QStringLiteral("a\rb") << QString() << true << QStringLiteral("a\r\nb");
    QTest::newRow("cancel") << QStringLiteral("kept") << QStringLiteral("x") << false << QString();
}

void TestUserInterface::checkInDialogGivesCrLf() {
    QFETCH(QString, given);
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QString, result);
    QtUser user;
    QString owner;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TCheckInDialog*>(modal);
        QVERIFY(dialog);
        owner = dialog->Owner();
        for (const QChar c : typed) {
            if (c == u'\n')
                QTest::keyClick(dialog->DescriptionBox(), Qt::Key_Return);
            else
                QTest::keyClicks(dialog->DescriptionBox(), QString(c));
        }
        (ok ? dialog->OkButton() : dialog->CancelButton())->click();
    });
    const std::optional<QString> answer = user.AskCheckIn(QStringLiteral("jan"), given);
    QCOMPARE(owner, QStringLiteral("jan"));
    QCOMPARE(answer.has_value(), ok);
    if (ok)
        QCOMPARE(*answer, result);
}

void TestUserInterface::busyCursorNests() {
    QtUser user;
    user.BeginBusy();
    user.BeginBusy();
    user.EndBusy();
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    user.EndBusy();
    QVERIFY(!QApplication::overrideCursor());
    // One end too many does no harm.
    user.EndBusy();
    QVERIFY(!QApplication::overrideCursor());
}

QUORVEL_GUI_TEST_MAIN(TestUserInterface)
#include "tst_userinterface.moc"
