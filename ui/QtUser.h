#pragma once

#include "platform/UserInterface.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <memory>

class QProgressDialog;

// The person in front of the desktop program: Qt dialogs and message
// boxes, the busy cursor, and the window system's pending events.
class QtUser : public UserInterface {
public:
    // The text of "Velmora Quorvel", the caption of every message box.
    static QString ApplicationTitle();
    // The general error display's text: a full stop is appended when the
    // message's last character sorts after ".".
    static QString ErrorBoxText(const QString& message);
    // The confirmation text with each CR shown as a line break.
    static QString ConfirmBoxText(const QString& text);

    QtUser();
    ~QtUser() override;

    // The window dialogs are centred on; none centres them on the screen.
    void SetDialogParent(QWidget* parent) { dialogParent_ = parent; }

    void ShowMessage(const QString& text) override;
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                   const QString& text) override;
    std::optional<QString> AskCheckIn(const QString& owner, const QString& description) override;
    std::optional<QString> AskOpenFile(const OpenFileRequest& request) override;
    std::optional<QString> AskFolder(const QString& prompt, const QString& initialFolder) override;
    std::optional<QString> AskSaveFile(const QString& title, const QString& suggested,
                                       const QString& filterDescription,
                                       const QString& filterPattern) override;

    // At most once every 16 milliseconds: a scan names thousands of items
    // and must not spend its time repainting.
    void ProcessPendingEvents() override;
    void BeginBusy() override;
    void EndBusy() override;

    // A progress dialog shows only for copies that last more than about a
    // second.
    // A moment's wait goes unseen; a longer one shows who holds the
    // workspace, with Cancel.
    bool WaitForWorkspace(const QString& holder, const std::function<bool()>& attempt) override;
    void CopyStarted(const QString& source, const QString& destination, qint64 totalBytes) override;
    void CopyProgress(qint64 doneBytes) override;
    void CopyFinished() override;

private:
    QWidget* Parent() const;

    QPointer<QWidget> dialogParent_;
    QElapsedTimer sinceEvents_;
    std::unique_ptr<QProgressDialog> copyProgress_;
    qint64 copyTotal_ = 0;
};
