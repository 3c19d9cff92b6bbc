#pragma once

#include "versioning/ProjectHistory.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class CommandLine;

// log: a project's history, newest first, or the check-ins of the whole
// workspace that hold a text.
class HistoryCommands {
public:
    int Log(const CommandLine& line);

    // What is wrong with log's line past the counts (one name alone, no
    // project and no --grep, an empty --grep, a --since that is not a
    // date); nothing when it is right.
    static QString CheckLogLine(const CommandLine& line);
    // A day as --since takes it: an ISO 8601 date, 2026-12-01, and nothing
    // else.
    static std::optional<QDate> ParseDay(const QString& text);

private:
    // Says on stderr which version's data file could not be read, and
    // remembers it; the command goes on with the others.
    ProjectHistory::Unreadable NoteUnreadable();
    static void PrintText(const std::vector<ProjectHistory::Row>& rows, bool withProject);
    static void PrintJson(const std::vector<ProjectHistory::Row>& rows);

    bool unreadable_ = false;
};
