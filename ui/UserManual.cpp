#include "ui/UserManual.h"

#include "platform/UserInterface.h"
#include "ui/TGoToWeb.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUORVEL_MANUAL_FROM_PROGRAM
#define QUORVEL_MANUAL_FROM_PROGRAM "../share/quorvel/manual"
#endif

namespace {

UserManual::Opener& TestingOpener() {
    static UserManual::Opener opener;
    return opener;
}

QString& TestingFolder() {
    static QString folder;
    return folder;
}

QString WithSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

const char* const UserManual::HomePage = "index.html";

QString UserManual::ExpectedFolder() {
    if (!TestingFolder().isEmpty())
        return TestingFolder();
    // The executable's own folder, not the settings' program folder: the
    // manual comes with the program's files, wherever the settings go.
    return WithSeparator(QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                                         QLatin1String(QUORVEL_MANUAL_FROM_PROGRAM)));
}

QString UserManual::Folder() {
    const QString folder = ExpectedFolder();
    return QFileInfo(folder + QLatin1String(HomePage)).isFile() ? folder : QString();
}

QUrl UserManual::PageUrl(const QString& topic) {
    const QString folder = Folder();
    if (folder.isEmpty())
        return QUrl();
    const qsizetype hash = topic.indexOf(u'#');
    QUrl url = QUrl::fromLocalFile(folder + topic.left(hash));
    if (hash >= 0)
        url.setFragment(topic.mid(hash + 1));
    return url;
}

bool UserManual::Show(const QString& topic) {
    const QUrl page = PageUrl(topic);
    if (page.isEmpty()) {
        User().ShowError(QStringLiteral("The user manual is missing: %1 was not found. Installing "
                                        "Quorvel again puts it back.")
                             .arg(QDir::toNativeSeparators(ExpectedFolder() + HomePage)));
        return false;
    }
    const Opener& opener = TestingOpener();
    if (opener ? opener(page) : OpenInBrowser(page))
        return true;
    User().ShowError(QStringLiteral("No web browser was found to show the user manual. Install "
                                    "one (for example with \"sudo apt install firefox-esr\"), or "
                                    "open %1 in a browser.")
                         .arg(QDir::toNativeSeparators(page.toLocalFile())));
    return false;
}

bool UserManual::BrowserInstalled() {
    // What xdg-open falls back to: the default for web pages, $BROWSER, and
    // Debian's x-www-browser, which every graphical browser provides.
    return !TGoToWeb::FindBrowser().isEmpty() || !qEnvironmentVariableIsEmpty("BROWSER") ||
           !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty();
}

bool UserManual::OpenInBrowser(const QUrl& url) {
    // xdg-open starts and ends well without a browser, so ask first.
    return BrowserInstalled() && QDesktopServices::openUrl(url);
}

void UserManual::SetOpenerForTesting(Opener opener) {
    TestingOpener() = std::move(opener);
}

void UserManual::SetFolderForTesting(const QString& folder) {
    TestingFolder() = folder.isEmpty() ? QString() : WithSeparator(folder);
}
