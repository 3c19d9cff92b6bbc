#include "ui/DesktopFolderOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace {

const char* const fileManagerService = "org.freedesktop.FileManager1";
const char* const fileManagerPath = "/org/freedesktop/FileManager1";
// Long enough for a file manager that the bus starts on the call.
constexpr int callTimeoutMs = 5000;

} // namespace

bool DesktopFolderOpener::Open(const QString& folder) {
    return ShowThroughFileManagerInterface(folder) ||
           QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopFolderOpener::ShowThroughFileManagerInterface(const QString& folder) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString service = QString::fromLatin1(fileManagerService);
    // A file manager that is running, or one the bus starts when called.
    QDBusConnectionInterface* names = bus.interface();
    if (!names || (!names->isServiceRegistered(service).value() &&
                   !names->activatableServiceNames().value().contains(service)))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(fileManagerPath), service, QStringLiteral("ShowFolders"));
    // The folder's URI, and no start-up notification id.
    call << QStringList{QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)} << QString();
    return bus.call(call, QDBus::Block, callTimeoutMs).type() == QDBusMessage::ReplyMessage;
}
