#include "ui/DesktopFolderOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace {

const char* const fileManagerService = "org.freedesktop.FileManager1";
const char* const fileManagerPath = "/org/freedesktop/FileManager1";
// Long enough for a file manager that the bus starts on the call.
constexpr int callTimeoutMs = 5000;

} // namespace

bool DesktopFolderOpener::Open(const QString& folder, QObject* context,
                               const std::function<void()>& failedLater) {
    return ShowThroughFileManagerInterface(folder) ||
           ShowThroughXdgOpen(folder, context, failedLater);
}

QString DesktopFolderOpener::NoProgramText(const QString& folder) {
    return QStringLiteral("The folder %1 could not be shown: no program to show folders was "
                          "found. Install a file manager together with xdg-utils (for example: "
                          "sudo apt-get install pcmanfm xdg-utils).")
        .arg(folder);
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

bool DesktopFolderOpener::ShowThroughXdgOpen(const QString& folder, QObject* context,
                                             const std::function<void()>& failedLater) {
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty())
        return false;
    // Not detached: xdg-open's answer, that it found no program for
    // folders, must reach the user rather than the terminal. It may run
    // the file manager itself and end only with it, so nobody waits.
    auto* process = new QProcess(context);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, context,
                     [process, failedLater](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || exitCode != 0)
                             failedLater();
                     });
    process->start(xdgOpen, {folder});
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    return true;
}
