#pragma once

#include "platform/UserInterface.h"

#include <QQueue>
#include <QStringList>
#include <functional>
#include <optional>

// A user that replays queued answers and records every text it was shown.
// An unexpected question fails loudly instead of blocking.
class ScriptedUser : public UserInterface {
public:
    ScriptedUser();
    ~ScriptedUser() override;

    // Answers, taken in order.
    void QueueName(std::optional<QString> answer) { names.enqueue(answer); }
    void QueueConfirm(bool yes) { confirms.enqueue(yes); }
    void QueueCheckIn(std::optional<QString> description) { checkIns.enqueue(description); }
    void QueueOpenFile(std::optional<QString> path) { openFiles.enqueue(path); }
    void QueueFolder(std::optional<QString> path) { folders.enqueue(path); }
    void QueueSaveFile(std::optional<QString> path) { saveFiles.enqueue(path); }

    void ShowMessage(const QString& text) override;
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
    void ProcessPendingEvents() override {
        ++pendingEventCalls;
        if (duringEvents)
            duringEvents();
    }
    void BeginBusy() override {
        ++busyDepth;
        ++busyCalls;
    }
    void EndBusy() override { --busyDepth; }

    // Everything shown, in order: "message: ...", "error: ...",
    // "confirm: ...", "name: caption|prompt|text", "checkin: owner|description",
    // "openfile: title|filter|pattern|folder", "folder: prompt|initial",
    // "savefile: title|suggested|filter|pattern".
    QStringList shown;
    QStringList messages;
    int pendingEventCalls = 0;
    // What a user does while the program lets events run.
    std::function<void()> duringEvents;
    int busyDepth = 0;
    int busyCalls = 0;
    // True when a question came with no queued answer.
    bool ranOutOfAnswers = false;

    QQueue<std::optional<QString>> names;
    QQueue<bool> confirms;
    QQueue<std::optional<QString>> checkIns;
    QQueue<std::optional<QString>> openFiles;
    QQueue<std::optional<QString>> folders;
    QQueue<std::optional<QString>> saveFiles;
};
