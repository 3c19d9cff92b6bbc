#pragma once

#include "platform/UserInterface.h"

#include <QElapsedTimer>
#include <QString>
#include <optional>

// The user as the command line stands for it: each dialog is answered
// once with what the command was given and cancelled when it comes back
// (so a refused name ends the command instead of looping), confirmations
// are asked on a terminal or answered by --yes, and every message goes to
// stderr, one per line.
class CommandLineUser : public UserInterface {
public:
    enum class Confirmations { AskTerminal, AlwaysYes };

    explicit CommandLineUser(Confirmations confirmations);

    // The next answers; each is given once.
    void AnswerName(const QString& name) { nameAnswer_ = name; }
    void AnswerCheckIn(const QString& description) { checkInAnswer_ = description; }
    void AnswerOpenFile(const QString& path) { openFileAnswer_ = path; }

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                   const QString& text) override;
    std::optional<QString> AskCheckIn(const QString& owner, const QString& description) override;
    std::optional<QString> AskOpenFile(const OpenFileRequest& request) override;
    std::optional<QString> AskFolder(const QString& prompt, const QString& initialFolder) override;
    void ProcessPendingEvents() override {}
    void BeginBusy() override {}
    void EndBusy() override {}

    // Says once on stderr who holds the workspace, then waits a while.
    bool WaitForWorkspace(const QString& holder, const std::function<bool()>& attempt) override;
    void CopyStarted(const QString& source, const QString& destination, qint64 totalBytes) override;
    void CopyProgress(qint64 doneBytes) override;
    void CopyFinished() override;

    // The error display's text: a full stop is added when the message ends
    // in a character that sorts after ".".
    static QString ErrorText(const QString& message);
    // A line break typed into a text box is CR LF.
    static QString AsTypedText(const QString& text);

private:
    Confirmations confirmations_;
    std::optional<QString> nameAnswer_;
    std::optional<QString> checkInAnswer_;
    std::optional<QString> openFileAnswer_;

    QString copyLabel_;
    qint64 copyTotal_ = 0;
    QElapsedTimer sinceCopyReport_;
};
