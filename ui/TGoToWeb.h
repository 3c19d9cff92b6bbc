#pragma once

#include <QObject>
#include <QString>

// Opens an address in the web browser the desktop has registered for web
// pages.
class TGoToWeb : public QObject {
    Q_OBJECT

public:
    enum TBrowserState { gwMaximized, gwNormal };

    explicit TGoToWeb(QObject* aOwner = nullptr);

    const QString& Url() const { return FUrl; }
    void SetUrl(const QString& Value) { FUrl = Value; }
    TBrowserState BrowserState() const { return FBrowserState; }
    void SetBrowserState(TBrowserState Value) { FBrowserState = Value; }

    // Starts the browser with the extra arguments of its registered
    // command and the address; true when it started. Shows and raises
    // nothing, and does not wait for the browser. Browsers here take no
    // window state, so BrowserState is not passed on.
    bool Execute();
    // The registered browser's program, or empty text; sets Para().
    QString BrowserPath();
    // The program of the open command FindBrowser gives; sets *para to
    // its extra arguments (unchanged when command is empty).
    static QString BrowserPathOf(const QString& command, QString* para);
    // The extra arguments the last BrowserPath found.
    static QString Para();

    // The open command of the desktop's default application for HTML
    // pages: the "Exec=" value of its desktop entry; empty when none.
    static QString FindBrowser();
    // The show-window value of a state: 3 maximised, 1 normal.
    static int GwToSw(TBrowserState GwValue);

private:
    QString FUrl;
    TBrowserState FBrowserState = gwMaximized;
};
