#include "support/ScriptedUser.h"

ScriptedUser::ScriptedUser() {
    InstallUser(this);
}

ScriptedUser::~ScriptedUser() {
    InstallUser(nullptr);
}

void ScriptedUser::ShowMessage(const QString& text) {
    shown << QStringLiteral("message: ") + text;
    messages << text;
}

void ScriptedUser::ShowError(const QString& text) {
    shown << QStringLiteral("error: ") + text;
    messages << text;
}

bool ScriptedUser::Confirm(const QString& text) {
    shown << QStringLiteral("confirm: ") + text;
    if (confirms.isEmpty()) {
        ranOutOfAnswers = true;
        return false;
    }
    return confirms.dequeue();
}

std::optional<QString> ScriptedUser::AskName(const QString& caption, const QString& prompt,
                                             const QString& text) {
    shown << QStringLiteral("name: %1|%2|%3").arg(caption, prompt, text);
    if (names.isEmpty()) {
        ranOutOfAnswers = true;
        return std::nullopt;
    }
    return names.dequeue();
}

std::optional<QString> ScriptedUser::AskCheckIn(const QString& owner, const QString& description) {
    shown << QStringLiteral("checkin: %1|%2").arg(owner, description);
    if (checkIns.isEmpty()) {
        ranOutOfAnswers = true;
        return std::nullopt;
    }
    return checkIns.dequeue();
}

std::optional<QString> ScriptedUser::AskOpenFile(const OpenFileRequest& request) {
    shown << QStringLiteral("openfile: %1|%2|%3|%4")
                 .arg(request.title, request.filterDescription, request.filterPattern,
                      request.initialFolder);
    if (openFiles.isEmpty()) {
        ranOutOfAnswers = true;
        return std::nullopt;
    }
    return openFiles.dequeue();
}

std::optional<QString> ScriptedUser::AskSaveFile(const QString& title, const QString& suggested,
                                                 const QString& filterDescription,
                                                 const QString& filterPattern) {
    shown << QStringLiteral("savefile: %1|%2|%3|%4")
                 .arg(title, suggested, filterDescription, filterPattern);
    if (saveFiles.isEmpty()) {
        ranOutOfAnswers = true;
        return std::nullopt;
    }
    return saveFiles.dequeue();
}

std::optional<QString> ScriptedUser::AskFolder(const QString& prompt,
                                               const QString& initialFolder) {
    shown << QStringLiteral("folder: %1|%2").arg(prompt, initialFolder);
    if (folders.isEmpty()) {
        ranOutOfAnswers = true;
        return std::nullopt;
    }
    return folders.dequeue();
}
