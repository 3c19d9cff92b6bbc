// Showing a folder in the desktop's file manager: through the freedesktop
// file-manager interface on the session bus, else the desktop's handler.
// The test runs on a private session bus of its own, so no real file
// manager is ever reached.
#include "support/TestWorkspace.h"
#include "ui/DesktopFolderOpener.h"
#include "ui/TQuorvelApplication.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
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

// The desktop's handler for file URLs, as the test sees it.
class UrlCatcher : public QObject {
    Q_OBJECT

public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

class TestDesktopFolderOpener : public QObject {
    Q_OBJECT

private slots:
    void theFileManagerInterfaceComesFirst_data();
    void theFileManagerInterfaceComesFirst();
};

void TestDesktopFolderOpener::theFileManagerInterfaceComesFirst_data() {
    QTest::addColumn<bool>("fileManagerOnTheBus");
    QTest::newRow("a file manager on the bus") << true;
    QTest::newRow("none: the desktop's handler") << false;
}

void TestDesktopFolderOpener::theFileManagerInterfaceComesFirst() {
    QFETCH(bool, fileManagerOnTheBus);
    TestWorkspace ws;
    const QString folder = ws.CreateDir(QStringLiteral("with blank/Acme"));
    UrlCatcher handler;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &handler, "open");
    struct Unset {
        ~Unset() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    } unset;
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

    QVERIFY(DesktopFolderOpener::Open(folder));

    if (fileManagerOnTheBus) {
        bus.unregisterService(service);
        bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        // The folder's URI, blanks and all encoded.
        QCOMPARE(fileManager.shown,
                 QStringList{QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)});
        QVERIFY(fileManager.shown[0].contains(QStringLiteral("with%20blank")));
        QCOMPARE(handler.opened, QList<QUrl>());
    } else {
        QCOMPARE(fileManager.shown, QStringList());
        QCOMPARE(handler.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    }
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
