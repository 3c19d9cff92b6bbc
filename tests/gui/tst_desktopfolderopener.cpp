// Showing a folder in the desktop's file manager: through the freedesktop
// file-manager interface on the session bus, else through xdg-open; and
// the user is told when neither showed it. The test runs on a private
// session bus of its own and a PATH of its own, so no real file manager is
// ever reached.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "ui/DesktopFolderOpener.h"
#include "ui/FolderCommands.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/types.h>

namespace {

// Starts "dbus-daemon --session" for the test; without it the session bus
// is one nobody can reach.
pid_t StartPrivateSessionBus() {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvel-test-bus");
    FILE* out =
        popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    if (!out)
        return 0;
    char address[512] = {};
    char pid[32] = {};
    const bool read = std::fgets(address, sizeof address, out) && std::fgets(pid, sizeof pid, out);
    pclose(out);
    if (!read)
        return 0;
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(address).trimmed());
    return pid_t(QByteArray(pid).trimmed().toLongLong());
}

} // namespace

// A file manager on the bus that notes what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public slots:
    void ShowFolders(const QStringList& uris, const QString&) { shown << uris; }

public:
    QStringList shown;
};

// A PATH that holds only an xdg-open of the test's own, which notes the
// folder it was given and ends with exitCode; or none at all.
class FakeXdgOpen {
public:
    explicit FakeXdgOpen(std::optional<int> exitCode) : path_(qgetenv("PATH")) {
        if (exitCode) {
            const QString script = programs_.CreateFile(
                QStringLiteral("xdg-open"), QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> "
                                                           "\"${0%/*}/asked\"\nexit %1\n")
                                                .arg(*exitCode)
                                                .toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", programs_.Path().toUtf8());
    }
    ~FakeXdgOpen() { qputenv("PATH", path_); }
    FakeXdgOpen(const FakeXdgOpen&) = delete;
    FakeXdgOpen& operator=(const FakeXdgOpen&) = delete;

    // The folders it was asked to show.
    QStringList Asked() const {
        QFile file(programs_.Path() + QStringLiteral("asked"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QByteArray path_;
    TestWorkspace programs_;
};

class TestDesktopFolderOpener : public QObject {
    Q_OBJECT

private slots:
    void theFileManagerInterfaceComesFirst_data();
    void theFileManagerInterfaceComesFirst();
    void noProgramForFoldersIsTold_data();
    void noProgramForFoldersIsTold();
};

void TestDesktopFolderOpener::theFileManagerInterfaceComesFirst_data() {
    QTest::addColumn<bool>("fileManagerOnTheBus");
    QTest::addColumn<int>("xdgOpenExit");
    QTest::addColumn<bool>("failedLater");
    QTest::newRow("a file manager on the bus") << true << 0 << false;
    QTest::newRow("none: xdg-open") << false << 0 << false;
    QTest::newRow("none, and xdg-open finds no program for folders") << false << 3 << true;
}

void TestDesktopFolderOpener::theFileManagerInterfaceComesFirst() {
    QFETCH(bool, fileManagerOnTheBus);
    QFETCH(int, xdgOpenExit);
    QFETCH(bool, failedLater);
    TestWorkspace ws;
    const QString folder = ws.CreateDir(QStringLiteral("with blank/Acme"));
    FakeXdgOpen xdgOpen(xdgOpenExit);
    FakeFileManager fileManager;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (fileManagerOnTheBus) {
        if (!bus.isConnected())
            QSKIP("no dbus-daemon to run a private session bus");
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(service));
    }

    QObject context;
    int failures = 0;
    QVERIFY(DesktopFolderOpener::Open(folder, &context, [&failures] { ++failures; }));

    if (fileManagerOnTheBus) {
        bus.unregisterService(service);
        bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        // The folder's URI, blanks and all encoded.
        QCOMPARE(fileManager.shown,
                 QStringList{QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)});
        QVERIFY(fileManager.shown[0].contains(QStringLiteral("with%20blank")));
        QCOMPARE(xdgOpen.Asked(), QStringList());
    } else {
        QCOMPARE(fileManager.shown, QStringList());
        QTRY_COMPARE(xdgOpen.Asked(), QStringList{folder});
    }
    // xdg-open's answer comes when it ends.
    QTRY_COMPARE(context.findChildren<QProcess*>().size(), 0);
    QCOMPARE(failures, failedLater ? 1 : 0);
}

// "Open folder" where nothing shows folders: the user hears so, and what
// to install, at once when there is no xdg-open, and when xdg-open ends
// without finding a program for them.
void TestDesktopFolderOpener::noProgramForFoldersIsTold_data() {
    QTest::addColumn<std::optional<int>>("xdgOpenExit");
    QTest::newRow("no xdg-open") << std::optional<int>();
    QTest::newRow("xdg-open finds no program") << std::optional<int>(3);
}

void TestDesktopFolderOpener::noProgramForFoldersIsTold() {
    QFETCH(std::optional<int>, xdgOpenExit);
    TestWorkspace ws;
    GuiHarness::MakeVersion(ws.Path() + QStringLiteral("Acme/Pump/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());
    ProjectMngr->Clients()->ItemByName(QStringLiteral("Acme"))->SetSelected(true);
    FakeXdgOpen xdgOpen(xdgOpenExit);

    auto* commands = app.window->findChild<FolderCommands*>();
    QVERIFY(commands);
    commands->TreeCommand()->trigger();

    QTRY_COMPARE(app.user.messages.size(), 1);
    const QString told = app.user.messages[0];
    QVERIFY2(told.contains(ws.Path() + QStringLiteral("Acme")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("no program to show folders")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("file manager")) &&
                 told.contains(QStringLiteral("xdg-utils")),
             qPrintable(told));
    QCOMPARE(app.user.shown, QStringList{QStringLiteral("message: ") + told});
}

int main(int argc, char** argv) {
    IsolateFromUserFiles();
    const pid_t bus = StartPrivateSessionBus();
    int status = 0;
    {
        TQuorvelApplication app(argc, argv);
        TestDesktopFolderOpener test;
        status = QTest::qExec(&test, argc, argv);
    }
    if (bus > 0)
        ::kill(bus, SIGTERM);
    return status;
}

#include "tst_desktopfolderopener.moc"
