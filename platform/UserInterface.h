#pragma once

#include <QString>
#include <functional>
#include <optional>

// What the program asks of the person in front of it. The desktop program,
// the command-line tool and the tests each install their own; core code
// reaches it through User().
class UserInterface {
public:
    struct OpenFileRequest {
        QString title;
        QString filterDescription;
        QString filterPattern;
        QString defaultSuffix;
        QString initialFolder;
    };

    virtual ~UserInterface();

    // A message box with the application title and an OK button, for what
    // could not be done: a refused name, a failed copy (the stop icon).
    virtual void ShowMessage(const QString& text) = 0;
    // The same box for what was done or found: a success, a repair noted
    // (the information icon). By default a message like any other.
    virtual void ShowInformation(const QString& text);
    // The general error display: stop icon, OK button.
    virtual void ShowError(const QString& text) = 0;
    // A "Confirm" box with Yes and No; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    // The one-line name dialog; nothing on Cancel.
    virtual std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                           const QString& text) = 0;
    // The check-in dialog for the given owner, its description box holding
    // description; the description on OK, line breaks as CR LF.
    virtual std::optional<QString> AskCheckIn(const QString& owner, const QString& description) = 0;
    // A file-open dialog; the chosen file's full path.
    virtual std::optional<QString> AskOpenFile(const OpenFileRequest& request) = 0;
    // A folder browser; the chosen folder, without a closing separator.
    virtual std::optional<QString> AskFolder(const QString& prompt,
                                             const QString& initialFolder) = 0;
    // A file-save dialog offering suggested (a full path), asking before it
    // replaces a file; the chosen file's full path. Nothing by default: only
    // the desktop program saves where the user points.
    virtual std::optional<QString> AskSaveFile(const QString& title, const QString& suggested,
                                               const QString& filterDescription,
                                               const QString& filterPattern);

    // Lets the window system handle what is pending (repaints, input).
    virtual void ProcessPendingEvents() = 0;
    // Busy cursor on and off; calls nest.
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;

    // Another program is changing the workspace: calls attempt now and then
    // until it is true (the workspace is ours), telling the person who
    // holds it (holder, a line the holder wrote). False when the person gave
    // up, or, for one who cannot be asked, when the wait grew too long.
    virtual bool WaitForWorkspace(const QString& holder, const std::function<bool()>& attempt);

    // Progress of a long folder copy; bytes done out of the total.
    virtual void CopyStarted(const QString& source, const QString& destination, qint64 totalBytes);
    virtual void CopyProgress(qint64 doneBytes);
    virtual void CopyFinished();
};

// The text of the general error display: the message with a full stop
// added when its last character sorts after ".".
QString ErrorDisplayText(const QString& message);

// The installed user; a silent one that answers No and Cancel when none is.
UserInterface& User();
// Installs a user (not owned); nullptr puts the silent one back.
void InstallUser(UserInterface* user);
