#include "cli/CommandLineUser.h"

#include "cli/Console.h"

#include <cstdio>
#include <utility>

namespace {

// A box can hold several lines; the terminal shows them as lines too.
QString WithTerminalLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString MiB(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

} // namespace

CommandLineUser::CommandLineUser(Confirmations confirmations) : confirmations_(confirmations) {}

void CommandLineUser::ShowMessage(const QString& text) {
    Console::ErrLine(WithTerminalLineBreaks(text));
}

void CommandLineUser::ShowError(const QString& text) {
    Console::ErrLine(WithTerminalLineBreaks(ErrorText(text)));
}

QString CommandLineUser::ErrorText(const QString& message) {
    return ErrorDisplayText(message);
}

QString CommandLineUser::AsTypedText(const QString& text) {
    QString typed = text;
    typed.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    typed.replace(u'\r', u'\n');
    typed.replace(u'\n', QLatin1String("\r\n"));
    return typed;
}

bool CommandLineUser::Confirm(const QString& text) {
    const QString question = WithTerminalLineBreaks(text);
    if (confirmations_ == Confirmations::AlwaysYes)
        return true;
    if (!Console::StdinIsTerminal()) {
        Console::ErrLine(question);
        Console::ErrLine(QStringLiteral("Answered No: there is no terminal to ask on (--yes "
                                        "answers Yes)."));
        return false;
    }
    for (;;) {
        Console::ClearStatus();
        Console::ErrLine(question);
        std::fputs("Yes or No? [y/N] ", stderr);
        std::fflush(stderr);
        QString answer;
        if (!Console::ReadLine(&answer)) {
            Console::ErrLine(QString());
            return false;
        }
        answer = answer.trimmed().toLower();
        if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
            return true;
        if (answer.isEmpty() || answer == QLatin1String("n") || answer == QLatin1String("no"))
            return false;
    }
}

std::optional<QString> CommandLineUser::AskName(const QString&, const QString&, const QString&) {
    return std::exchange(nameAnswer_, std::nullopt);
}

std::optional<QString> CommandLineUser::AskCheckIn(const QString&, const QString&) {
    return std::exchange(checkInAnswer_, std::nullopt);
}

std::optional<QString> CommandLineUser::AskOpenFile(const OpenFileRequest&) {
    return std::exchange(openFileAnswer_, std::nullopt);
}

std::optional<QString> CommandLineUser::AskFolder(const QString&, const QString&) {
    // No command browses for a folder: the folder is an argument.
    return std::nullopt;
}

void CommandLineUser::CopyStarted(const QString& source, const QString& destination,
                                  qint64 totalBytes) {
    copyLabel_ = QStringLiteral("Copying %1 to %2").arg(source, destination);
    copyTotal_ = totalBytes;
    sinceCopyReport_.start();
    Console::Status(copyLabel_);
}

void CommandLineUser::CopyProgress(qint64 doneBytes) {
    // The terminal needs no more than a few updates a second.
    if (sinceCopyReport_.isValid() && sinceCopyReport_.elapsed() < 100)
        return;
    sinceCopyReport_.restart();
    const int percent = copyTotal_ > 0 ? int(doneBytes * 100 / copyTotal_) : 100;
    // The figures first: a long path is what the terminal cuts off.
    Console::Status(QStringLiteral("%1% (%2 of %3 MiB) %4")
                        .arg(percent)
                        .arg(MiB(doneBytes), MiB(copyTotal_), copyLabel_));
}

void CommandLineUser::CopyFinished() {
    Console::ClearStatus();
    copyLabel_.clear();
}

bool CommandLineUser::WaitForWorkspace(const QString& holder,
                                       const std::function<bool()>& attempt) {
    Console::ErrLine(
        QStringLiteral("quorvel-cli: waiting for the workspace, which %1 is changing").arg(holder));
    return UserInterface::WaitForWorkspace(holder, attempt);
}
