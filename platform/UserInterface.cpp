#include "platform/UserInterface.h"

#include <QDeadlineTimer>
#include <QThread>

UserInterface::~UserInterface() = default;

void UserInterface::ShowInformation(const QString& text) {
    ShowMessage(text);
}

bool UserInterface::WaitForWorkspace(const QString&, const std::function<bool()>& attempt) {
    // Other programs hold the workspace for moments: a check-out's copy is
    // made outside the lock.
    QDeadlineTimer deadline(30 * 1000);
    while (!attempt()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

std::optional<QString> UserInterface::AskSaveFile(const QString&, const QString&, const QString&,
                                                  const QString&) {
    return std::nullopt;
}

void UserInterface::CopyStarted(const QString&, const QString&, qint64) {}
void UserInterface::CopyProgress(qint64) {}
void UserInterface::CopyFinished() {}

QString ErrorDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

namespace {

// Used where no front end is installed: says nothing, agrees to nothing.
class SilentUser final : public UserInterface {
public:
    void ShowMessage(const QString&) override {}
    void ShowError(const QString&) override {}
    bool Confirm(const QString&) override { return false; }
    std::optional<QString> AskName(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskCheckIn(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<QString> AskFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    void ProcessPendingEvents() override {}
    void BeginBusy() override {}
    void EndBusy() override {}
};

SilentUser silentUser;
UserInterface* installedUser = &silentUser;

} // namespace

UserInterface& User() {
    return *installedUser;
}

void InstallUser(UserInterface* user) {
    installedUser = user ? user : &silentUser;
}
