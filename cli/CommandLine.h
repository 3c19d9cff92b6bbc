#pragma once

#include "cli/CommandDefinition.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// The parsed command line:
//   quorvel-cli [-w DIR | --workspace DIR] [--yes] COMMAND [ARGUMENTS]
// The global options may also follow the command; "--" ends the options,
// so a name may start with "-".
class CommandLine {
public:
    enum class Result { Run, ShowHelp, ShowVersion, UsageError };

    Result Parse(const QStringList& arguments);

    // The command to run or to show help for; null for the tool's help.
    const CommandDefinition* Command() const { return command; }
    const QStringList& Arguments() const { return positional; }
    bool Has(const QString& option) const { return switches.contains(option); }
    const std::optional<QString>& Workspace() const { return workspace; }
    bool Yes() const { return yes; }
    // -m TEXT, as given.
    const std::optional<QString>& DescriptionText() const { return descriptionText; }
    // -F FILE; "-" is standard input.
    const std::optional<QString>& DescriptionFile() const { return descriptionFile; }
    const QString& Error() const { return error; }

    static QString ToolHelp();
    // "quorvel-cli", a blank and the version the About box shows.
    static QString VersionText();
    static QString CommandHelp(const CommandDefinition& definition);

private:
    Result Fail(const QString& text);
    // Takes the value of an option at index i (as "--opt=value" or the next
    // argument); false when there is none.
    bool TakeValue(const QStringList& arguments, int& i, const QString& option,
                   const QString& inlineValue, bool hasInlineValue, QString* value);

    const CommandDefinition* command = nullptr;
    QStringList positional;
    QSet<QString> switches;
    std::optional<QString> workspace;
    bool yes = false;
    std::optional<QString> descriptionText;
    std::optional<QString> descriptionFile;
    QString error;
};
