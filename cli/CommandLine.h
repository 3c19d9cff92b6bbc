#pragma once

#include "cli/CommandDefinition.h"

#include <QHash>
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
    // Parse of the program's own arguments (argv[0] is the program), which
    // must be UTF-8 text: a byte that is not would become another
    // character, and so another name.
    Result Parse(int argc, const char* const* argv);

    // The command to run or to show help for; null for the tool's help.
    const CommandDefinition* Command() const { return command_; }
    const QStringList& Arguments() const { return positional_; }
    bool Has(const QString& option) const { return switches_.contains(option); }
    // The value of an option such as "--grep TEXT"; nothing when not given.
    std::optional<QString> Value(const QString& option) const;
    const std::optional<QString>& Workspace() const { return workspace_; }
    bool Yes() const { return yes_; }
    // -m TEXT, as given.
    const std::optional<QString>& DescriptionText() const { return descriptionText_; }
    // -F FILE; "-" is standard input.
    const std::optional<QString>& DescriptionFile() const { return descriptionFile_; }
    // -o FILE, as given.
    const std::optional<QString>& Output() const { return output_; }
    const QString& Error() const { return error_; }

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

    const CommandDefinition* command_ = nullptr;
    QStringList positional_;
    QSet<QString> switches_;
    QHash<QString, QString> values_;
    std::optional<QString> workspace_;
    bool yes_ = false;
    std::optional<QString> descriptionText_;
    std::optional<QString> descriptionFile_;
    std::optional<QString> output_;
    QString error_;
};
