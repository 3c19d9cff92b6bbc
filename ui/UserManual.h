#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// The user manual: HTML pages that stand in share/quorvel/manual/ of the
// program's prefix, where the package installs them and where a build puts
// a copy beside its programs. Shown in the desktop's web browser.
class UserManual {
public:
    using Opener = std::function<bool(const QUrl& page)>;

    // The manual's first page.
    static const char* const HomePage;

    // Where the manual belongs: beside the running program's folder, by the
    // layout it was installed with. Ends with "/".
    static QString ExpectedFolder();
    // ExpectedFolder when the manual is there, else empty text.
    static QString Folder();
    // The file URL of a page with its anchor ("window.html#tree"); empty
    // when the manual is not there.
    static QUrl PageUrl(const QString& topic);

    // Shows topic in the browser. When the manual is missing or no browser
    // can be started, says so and what to do; false then.
    static bool Show(const QString& topic);

    // Opens url in the desktop's web browser; false when there is none.
    static bool OpenInBrowser(const QUrl& url);
    // True when the desktop has a web browser to start.
    static bool BrowserInstalled();

    // Replaces the browser (tests); an empty opener restores it.
    static void SetOpenerForTesting(Opener opener);
    // Looks for the manual in folder instead (tests); empty text restores
    // the real place.
    static void SetFolderForTesting(const QString& folder);
};
