// The user manual: found beside the build's programs, opened by "?" and F1
// at the page for the part of the window in use, and a word when it cannot
// be shown.
#include "GuiHarness.h"

#include "ui/CatalogueTree.h"
#include "ui/CheckedOutPanel.h"
#include "ui/HistoryPanel.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/TreeFilterField.h"
#include "ui/TreeNode.h"
#include "ui/UserManual.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

namespace {

// Puts the focus on widget, or on the first of its children that takes it.
bool FocusInside(QWidget* widget) {
    QList<QWidget*> candidates{widget};
    candidates << widget->findChildren<QWidget*>();
    for (QWidget* candidate : candidates) {
        if (candidate->isVisible() && candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(Qt::OtherFocusReason);
            return QTest::qWaitFor([&] { return candidate->hasFocus(); });
        }
    }
    return false;
}

// The id that an anchor leads to, on the manual's page.
bool PageHasId(const QUrl& page, const QString& id) {
    QFile file(page.toLocalFile());
    return file.open(QIODevice::ReadOnly) &&
           file.readAll().contains(QStringLiteral("id=\"%1\"").arg(id).toUtf8());
}

} // namespace

class TestUserManual : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void manualIsFoundBesideTheBuildsPrograms();
    void helpOpensThePageOfTheFocusedPart_data();
    void helpOpensThePageOfTheFocusedPart();
    void helpSaysWhatIsMissing_data();
    void helpSaysWhatIsMissing();
    void everyCommandIsInTheManual();

private:
    QList<QUrl> opened_;
};

void TestUserManual::init() {
    opened_.clear();
    UserManual::SetOpenerForTesting([this](const QUrl& page) {
        opened_ << page;
        return true;
    });
}

void TestUserManual::cleanup() {
    UserManual::SetOpenerForTesting(nullptr);
    UserManual::SetFolderForTesting(QString());
}

void TestUserManual::manualIsFoundBesideTheBuildsPrograms() {
    // The tests stand in the build's bin folder, beside the programs.
    const QString expected = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/../share/quorvel/manual")) +
                             u'/';
    QCOMPARE(UserManual::Folder(), expected);
    const QUrl page = UserManual::PageUrl(QStringLiteral("window.html#tree"));
    QVERIFY(page.isLocalFile());
    QCOMPARE(page.toLocalFile(), expected + QStringLiteral("window.html"));
    QCOMPARE(page.fragment(), QStringLiteral("tree"));
    QCOMPARE(UserManual::PageUrl(QStringLiteral("index.html")).fragment(), QString());
}

void TestUserManual::helpOpensThePageOfTheFocusedPart_data() {
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("topic");
    QTest::newRow("tree, ?") << "tree" << false << "window.html#tree";
    QTest::newRow("tree, F1") << "tree" << true << "window.html#tree";
    QTest::newRow("find field, F1") << "filter" << true << "window.html#filter";
    QTest::newRow("version list, ?") << "versions" << false << "window.html#versions";
    QTest::newRow("version list, F1") << "versions" << true << "window.html#versions";
    QTest::newRow("details, F1") << "details" << true << "window.html#details";
    QTest::newRow("checked-out panel, F1") << "checked-out" << true << "overview.html#checked-out";
    QTest::newRow("history's filter, F1") << "history" << true << "overview.html#history";
    QTest::newRow("editor box, F1") << "editors" << true << "commands.html#editor";
    QTest::newRow("recent box, ?") << "recent" << false << "commands.html#workspace";
    QTest::newRow("Overview tab, F1") << "overview-tab" << true << "overview.html";
    QTest::newRow("nothing, ?") << "" << false << "index.html";
}

void TestUserManual::helpOpensThePageOfTheFocusedPart() {
    QFETCH(QString, part);
    QFETCH(bool, byKey);
    QFETCH(QString, topic);
    TestWorkspace ws;
    GuiHarness::MakeVersion(ws.Path() + QStringLiteral("Acme/Crane/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("03-02-2024 10:15:00"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());
    TMainForm* window = app.window;
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    window->Overview()->UpdateEnabled();
    window->Overview()->CheckedOutAction()->trigger();
    QTRY_VERIFY(window->Overview()->Panel()->List()->isVisible());

    QWidget* focused = nullptr;
    if (part == QLatin1String("tree"))
        focused = window->Tree();
    else if (part == QLatin1String("filter"))
        focused = window->findChild<TreeFilterField*>();
    else if (part == QLatin1String("versions"))
        focused = window->VersionList();
    else if (part == QLatin1String("details"))
        focused = window->Details();
    else if (part == QLatin1String("checked-out"))
        focused = window->Overview()->Panel()->List();
    else if (part == QLatin1String("history")) {
        window->Overview()->HistoryAction()->trigger();
        QTRY_VERIFY(window->Overview()->History()->isVisible());
        focused = window->Overview()->History()->FilterField();
    } else if (part == QLatin1String("editors"))
        focused = window->EditorCombo();
    else if (part == QLatin1String("recent"))
        focused = window->RecentCombo();
    else if (part == QLatin1String("overview-tab")) {
        window->Ribbon()->Tabs()->setCurrentIndex(1);
        focused = window->Ribbon()->Tabs()->tabBar();
    }
    if (focused) {
        QVERIFY(FocusInside(focused));
    } else {
        if (QWidget* current = QApplication::focusWidget())
            current->clearFocus();
        QVERIFY(!QApplication::focusWidget());
    }

    if (byKey)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                        Qt::Key_F1);
    else
        window->Ribbon()->HelpButton()->click();

    QCOMPARE(opened_.size(), 1);
    const QUrl page = opened_.first();
    QCOMPARE(page, UserManual::PageUrl(topic));
    QVERIFY(QFileInfo(page.toLocalFile()).isFile());
    if (page.hasFragment())
        QVERIFY2(PageHasId(page, page.fragment()), qPrintable(topic));
    QCOMPARE(app.user.shown, QStringList());
}

void TestUserManual::helpSaysWhatIsMissing_data() {
    QTest::addColumn<bool>("manualThere");
    QTest::addColumn<bool>("browserThere");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("no manual") << false << true
                               << QStringList{"error: The user manual is missing:", "index.html",
                                              "Installing Quorvel again"};
    QTest::newRow("no browser") << true << false
                                << QStringList{"error: No web browser was found",
                                               "sudo apt install firefox-esr",
                                               "/share/quorvel/manual/"};
}

void TestUserManual::helpSaysWhatIsMissing() {
    QFETCH(bool, manualThere);
    QFETCH(bool, browserThere);
    QFETCH(QStringList, told);
    QTemporaryDir empty;
    if (!manualThere)
        UserManual::SetFolderForTesting(empty.path());
    // No browser: the desktop's own opener, on a machine without any.
    const QByteArray path = qgetenv("PATH");
    const QByteArray browser = qgetenv("BROWSER");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", path);
        qputenv("BROWSER", browser);
    });
    if (!browserThere) {
        UserManual::SetOpenerForTesting(nullptr);
        qputenv("PATH", QFile::encodeName(empty.path()));
        qunsetenv("BROWSER");
        QVERIFY(!UserManual::BrowserInstalled());
    }

    GuiHarness app;
    QVERIFY(app.Start());
    app.window->Ribbon()->HelpButton()->click();
    QCOMPARE(app.user.shown.size(), 1);
    for (const QString& part : told)
        QVERIFY2(app.user.shown.first().contains(part), qPrintable(app.user.shown.first()));
    QVERIFY(opened_.isEmpty());
}

// A command added or renamed without a word in the manual leaves the user
// guessing.
void TestUserManual::everyCommandIsInTheManual() {
    GuiHarness app;
    QVERIFY(app.Start());
    QString pages;
    for (const char* page : {"commands.html", "overview.html"}) {
        QFile file(UserManual::PageUrl(QLatin1String(page)).toLocalFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        pages += QString::fromUtf8(file.readAll());
    }
    // Words wrap anywhere in the pages' text.
    pages = pages.simplified();
    QList<QAction*> commands = app.window->Commands();
    OverviewCommands* overview = app.window->Overview();
    commands << overview->CheckedOutAction() << overview->CompareParentAction()
             << overview->CompareOtherAction();
    QStringList missing;
    for (const QAction* command : commands) {
        const QString caption = command->iconText().remove(u'&');
        if (!pages.contains(command->text()) && !pages.contains(caption))
            missing << caption;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

QUORVEL_GUI_TEST_MAIN(TestUserManual)
#include "tst_usermanual.moc"
