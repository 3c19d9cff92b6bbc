// Working the window with the keyboard and being told what happened: every
// Tab stop shows that it has the focus; a message shows the stop icon when
// something could not be done and the information icon otherwise; a
// rename to the name an item has changes nothing, and a refused name comes
// back in the dialog as it was typed.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "ui/CatalogueTree.h"
#include "ui/QtUser.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <sys/stat.h>

namespace {

TVersionItem* Client(const QString& name) {
    return ProjectMngr->Clients()->ItemByName(name);
}

// Answers the dialogs a real QtUser opens, one step per dialog, in order.
class DialogScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;
    explicit DialogScript(QList<Step> steps) : steps_(std::move(steps)) {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_ || !modal->isVisible())
                return;
            last_ = modal;
            if (steps_.isEmpty()) {
                static_cast<QDialog*>(modal)->reject();
                return;
            }
            steps_.takeFirst()(modal);
        });
        timer_.start();
    }
    bool Done() const { return steps_.isEmpty(); }

private:
    QList<Step> steps_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

ino_t Inode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyTabStopShowsItsFocus();
    void messagesShowTheirKind_data();
    void messagesShowTheirKind();
    void renameToTheSameNameChangesNothing_data();
    void renameToTheSameNameChangesNothing();
    void refusedNameComesBackAsTyped_data();
    void refusedNameComesBackAsTyped();

private:
    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestKeyboard::init() {
    ws_ = std::make_unique<TestWorkspace>();
    for (const char* client : {"Acme", "Borealis"}) {
        GuiHarness::MakeVersion(ws_->Path() + QString::fromLatin1(client) +
                                    QStringLiteral("/Pump/version 1"),
                                false, QString(), QStringLiteral("jan"), QStringLiteral("x"));
    }
    GuiHarness::MakeVersion(ws_->Path() + QStringLiteral("Acme/Pump/Version 2"), true,
                            QStringLiteral("version 1"), QStringLiteral("jan"),
                            QStringLiteral("x"));
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()});
    QVERIFY(app_->Start());
    app_->window->resize(1400, 1000);
    app_->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->window));
}

void TestKeyboard::cleanup() {
    InstallUser(&app_->user);
    app_.reset();
    ws_.reset();
}

// Each stop, from the tree on, looks different with the focus than
// without it.
void TestKeyboard::everyTabStopShowsItsFocus() {
    Client(QStringLiteral("Acme"))->SetSelected(true);
    CatalogueTree* tree = app_->window->Tree();
    tree->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
    QList<QWidget*> stops;
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* stop = QApplication::focusWidget();
        if (!stop || stop == tree || stops.contains(stop))
            break;
        stops << stop;
    }
    QVERIFY2(stops.size() >= 4, qPrintable(QString::number(stops.size())));
    for (QWidget* stop : stops) {
        stop->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QImage focused = stop->grab().toImage();
        tree->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QImage unfocused = stop->grab().toImage();
        const QString name = QString::fromLatin1(stop->metaObject()->className()) + u' ' +
                             stop->objectName() + u' ' +
                             stop->property("text").toString().remove(u'\n');
        QVERIFY2(focused != unfocused, qPrintable(name));
    }
}

void TestKeyboard::messagesShowTheirKind_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("icon");
    QTest::newRow("a taken name") << "taken" << int(QMessageBox::Critical);
    QTest::newRow("a forbidden character") << "forbidden" << int(QMessageBox::Critical);
    QTest::newRow("a failed rename") << "rename fails" << int(QMessageBox::Critical);
    QTest::newRow("folders the rebuild left out") << "left out" << int(QMessageBox::Information);
}

void TestKeyboard::messagesShowTheirKind() {
    QFETCH(QString, what);
    QFETCH(int, icon);
    QtUser user;
    user.SetDialogParent(app_->window);
    InstallUser(&user);
    QList<int> icons;
    const auto answer = [](const QString& text) {
        return [text](QWidget* modal) {
            auto* dialog = qobject_cast<QInputDialog*>(modal);
            QVERIFY(dialog);
            dialog->setTextValue(text);
            dialog->accept();
        };
    };
    const auto noteIcon = [&icons](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        icons << int(box->icon());
        box->accept();
    };
    QList<DialogScript::Step> steps;
    if (what == QLatin1String("taken"))
        steps = {answer(QStringLiteral("Borealis")), noteIcon};
    else if (what == QLatin1String("forbidden"))
        steps = {answer(QStringLiteral("A|B")), noteIcon};
    else if (what == QLatin1String("rename fails"))
        steps = {answer(QStringLiteral("Stray")), noteIcon};
    else
        steps = {noteIcon};
    DialogScript script(steps);
    if (what == QLatin1String("left out")) {
        ws_->CreateDir(QStringLiteral("Quote\"d"));
        ProjectMngr->Refresh();
    } else {
        // A folder the catalogue does not know takes the new name's place.
        ws_->CreateFile(QStringLiteral("Stray/file.txt"), "x");
        VersionMngr->SetActiveItem(Client(QStringLiteral("Acme")));
        VersionMngr->RenameClient();
    }
    QTRY_VERIFY(script.Done());
    QCOMPARE(icons, QList<int>{icon});
}

void TestKeyboard::renameToTheSameNameChangesNothing_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("as it is") << "Acme";
    QTest::newRow("blanks around it") << "  Acme ";
}

void TestKeyboard::renameToTheSameNameChangesNothing() {
    QFETCH(QString, typed);
    const QString catalogue = ws_->Path() + QStringLiteral("QuorvelConfig.xml");
    QVERIFY(QFile::exists(catalogue));
    const ino_t before = Inode(catalogue);
    const QByteArray bytes = ws_->ReadFile(QStringLiteral("QuorvelConfig.xml"));
    VersionMngr->SetActiveItem(Client(QStringLiteral("Acme")));
    app_->user.QueueName(typed);

    QVERIFY(VersionMngr->RenameClient());

    QCOMPARE(app_->user.shown,
             QStringList{QStringLiteral("name: New name dialog|Enter new name|Acme")});
    QCOMPARE(Inode(catalogue), before);
    QCOMPARE(ws_->ReadFile(QStringLiteral("QuorvelConfig.xml")), bytes);
    QVERIFY(Client(QStringLiteral("Acme")));
    QVERIFY(QFileInfo(ws_->Path() + QStringLiteral("Acme")).isDir());
}

void TestKeyboard::refusedNameComesBackAsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("told");
    QTest::newRow("a forbidden character")
        << "Acme|North"
        << "A Client or Project name may not contain any of the following";
    QTest::newRow("a taken name") << "Borealis"
                                  << "name Borealis already exists.";
    QTest::newRow("only blanks") << "   "
                                 << "A Client or Project name may not be empty.";
}

void TestKeyboard::refusedNameComesBackAsTyped() {
    QFETCH(QString, typed);
    QFETCH(QString, told);
    VersionMngr->SetActiveItem(Client(QStringLiteral("Acme")));
    app_->user.QueueName(typed);
    app_->user.QueueName(std::nullopt);

    QVERIFY(!VersionMngr->RenameClient());

    const QStringList shown = app_->user.shown;
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0], QStringLiteral("name: New name dialog|Enter new name|Acme"));
    QVERIFY2(shown[1].startsWith(QStringLiteral("message: ") + told), qPrintable(shown[1]));
    QCOMPARE(shown[2], QStringLiteral("name: New name dialog|Enter new name|") + typed);
    QVERIFY(Client(QStringLiteral("Acme")));
}

QUORVEL_GUI_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
