#include "GuiHarness.h"

#include "platform/DesktopEntry.h"
#include "ui/TAboutBox.h"
#include "ui/TGoToWeb.h"
#include "ui/UserManual.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

// Desktop files end their lines with LF alone.
void WriteDesktopFile(const QString& path, const QStringList& lines) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write((lines.join(u'\n') + u'\n').toUtf8());
}

// Makes a browser of the desktop: a program that notes its arguments, its
// desktop entry and the default for web pages.
QString InstallFakeBrowser(const TestWorkspace& ws, const QString& execArguments) {
    const QString program =
        ws.CreateFile(QStringLiteral("browser"),
                      QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1browser.out\"\n")
                          .arg(ws.Path())
                          .toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString applications = DesktopEntry::ApplicationFolders().first();
    QDir().mkpath(applications);
    WriteDesktopFile(applications + QStringLiteral("fakebrowser.desktop"),
                     {QStringLiteral("[Desktop Entry]"), QStringLiteral("Type=Application"),
                      QStringLiteral("Name=Fake"),
                      QStringLiteral("Exec=%1 %2").arg(program, execArguments)});
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    QDir().mkpath(config);
    WriteDesktopFile(config + QStringLiteral("/mimeapps.list"),
                     {QStringLiteral("[Default Applications]"),
                      QStringLiteral("text/html=fakebrowser.desktop")});
    return program;
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void aboutCommandShowsTheProductTexts();
    void escapeDoesNotClose();
    void browserPath_data();
    void browserPath();
    void emptyCommandKeepsArguments();
    void showWindowValues();
    void noBrowserStartsNothing();
    void doubleClickOpensTheSiteInTheDesktopsBrowser();
    void withoutRegisteredBrowserTheDesktopOpensTheManual();
};

void TestAboutBox::cleanup() {
    const QString applications = DesktopEntry::ApplicationFolders().first();
    QFile::remove(applications + QStringLiteral("fakebrowser.desktop"));
    QFile::remove(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) +
                  QStringLiteral("/mimeapps.list"));
}

void TestAboutBox::aboutCommandShowsTheProductTexts() {
    GuiHarness app;
    QVERIFY(app.Start());
    QString product, version, description, title;
    QSize size;
    bool manualLink = false;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* modal = nullptr;
        if (!QTest::qWaitFor(
                [&] { return (modal = QApplication::activeModalWidget()) != nullptr; }))
            return;
        auto* box = qobject_cast<TAboutBox*>(modal);
        if (!box)
            return;
        title = box->windowTitle();
        size = box->size();
        product = box->Product();
        version = box->Version();
        description = box->Description();
        manualLink =
            box->GoToWeb()->Url() ==
                UserManual::PageUrl(QString::fromLatin1(UserManual::HomePage)).toString() &&
            box->GoToWeb()->Url().startsWith(QStringLiteral("file:///")) &&
            box->CopyrightText().count(u'\n') == 2 &&
            box->GoToWeb()->BrowserState() == TGoToWeb::gwMaximized;
        for (const QLabel* label : box->findChildren<QLabel*>())
            texts << label->text() << label->toolTip();
        QTest::keyClick(box, Qt::Key_Return);
    });
    app.window->Command(QStringLiteral("AboutAction"))->trigger();
    QCOMPARE(title, QStringLiteral("About"));
    QCOMPARE(size, QSize(369, 248));
    QCOMPARE(product, QStringLiteral("Velmora Quorvel"));
    QCOMPARE(version, QStringLiteral("1.0.0.9.0.4"));
    QCOMPARE(description, QStringLiteral("Organize your projects."));
    QVERIFY(manualLink);
    // The maker's details are real, not the placeholders of a template.
    const QString all = texts.join(u'\n');
    QVERIFY(all.contains(QStringLiteral("Copyright \u00a9 2026 the Quorvel authors")));
    for (const char* placeholder : {"20XX", "Maker Name", "example.com", "Mail: "})
        QVERIFY2(!all.contains(QLatin1String(placeholder)), placeholder);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestAboutBox::escapeDoesNotClose() {
    TAboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.isVisible());
    box.OkButton()->click();
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

void TestAboutBox::browserPath_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("quoted path, quoted placeholder") << R"("C:\Apps\Browser\browser.exe" -new "%1")"
                                                     << R"(C:\Apps\Browser\browser.exe)"
                                                     << "-new";
    QTest::newRow("no quotes") << R"(C:\Apps\Browser\browser.exe %1)"
                               << R"(C:\Apps\Browser\browser.exe)"
                               << "";
    QTest::newRow("rightmost program ending wins")
        << R"("C:\B\browser.exe" --plugin=C:\B\plugin.exe "%1")"
        << R"(C:\B\browser.exe" --plugin=C:\B\plugin.exe)"
        << "";
    QTest::newRow("nothing after the path") << R"(C:\B\BROWSER.EXE)"
                                            << R"(C:\B\BROWSER.EXE)"
                                            << "";
    QTest::newRow("placeholders go, blanks between stay") << R"("C:\B\browser.exe" -a %1 -b %2)"
                                                          << R"(C:\B\browser.exe)"
                                                          << "-a  -b";
    QTest::newRow("batch file") << R"(C:\B\start.bat %1)"
                                << R"(C:\B\start.bat)"
                                << "";
    QTest::newRow("desktop command") << "/usr/bin/firefox-esr %u"
                                     << "/usr/bin/firefox-esr"
                                     << "";
    QTest::newRow("desktop command with blank in path")
        << R"("/opt/My Browser/browser" --new-window %U)"
        << "/opt/My Browser/browser"
        << "--new-window";
    QTest::newRow("desktop command through env") << "env LANG=C browser %f --private"
                                                 << "env"
                                                 << "LANG=C browser  --private";
}

void TestAboutBox::browserPath() {
    QFETCH(QString, command);
    QFETCH(QString, path);
    QFETCH(QString, arguments);
    QString para = QStringLiteral("left over");
    QCOMPARE(TGoToWeb::BrowserPathOf(command, &para), path);
    QCOMPARE(para, arguments);
}

void TestAboutBox::emptyCommandKeepsArguments() {
    QString para = QStringLiteral("left over");
    QCOMPARE(TGoToWeb::BrowserPathOf(QString(), &para), QString());
    QCOMPARE(para, QStringLiteral("left over"));
}

void TestAboutBox::showWindowValues() {
    QCOMPARE(TGoToWeb::GwToSw(TGoToWeb::gwMaximized), 3);
    QCOMPARE(TGoToWeb::GwToSw(TGoToWeb::gwNormal), 1);
}

void TestAboutBox::noBrowserStartsNothing() {
    TGoToWeb web;
    web.SetUrl(QStringLiteral("www.example.com"));
    QCOMPARE(TGoToWeb::FindBrowser(), QString());
    QVERIFY(!web.Execute());
}

void TestAboutBox::doubleClickOpensTheSiteInTheDesktopsBrowser() {
    TestWorkspace ws;
    const QString program = InstallFakeBrowser(ws, QStringLiteral("--new \"%u\""));
    QCOMPARE(TGoToWeb::FindBrowser(), program + QStringLiteral(" --new \"%u\""));

    TAboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.WebLink(), Qt::LeftButton);
    QTest::mouseDClick(box.WebLink(), Qt::LeftButton);
    QCOMPARE(TGoToWeb::Para(), QStringLiteral("--new"));
    QTRY_VERIFY(ws.Exists(QStringLiteral("browser.out")));
    QTRY_COMPARE(QString::fromUtf8(ws.ReadFile(QStringLiteral("browser.out"))),
                 QStringLiteral("--new\n") + box.GoToWeb()->Url() + u'\n');
}

void TestAboutBox::withoutRegisteredBrowserTheDesktopOpensTheManual() {
    QList<QUrl> opened;
    UserManual::SetOpenerForTesting([&opened](const QUrl& page) {
        opened << page;
        return true;
    });
    const auto restore = qScopeGuard([] { UserManual::SetOpenerForTesting(nullptr); });
    QCOMPARE(TGoToWeb::FindBrowser(), QString());
    TAboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.WebLink(), Qt::LeftButton);
    QCOMPARE(opened.size(), 0);
    QTest::mouseDClick(box.WebLink(), Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{UserManual::PageUrl(QStringLiteral("index.html"))});
    QVERIFY(QFileInfo(opened.first().toLocalFile()).isFile());
}

QUORVEL_GUI_TEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
