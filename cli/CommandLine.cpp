#include "cli/CommandLine.h"

#include "QuorvelVersion.h"
#include "platform/FileSystem.h"
#include "platform/TextRules.h"

#include <cstring>

namespace {

QString ProgramName() {
    return QStringLiteral("quorvel-cli");
}

// Known before the command is: the options may come first.
bool TakesValue(const QString& option) {
    for (const CommandDefinition& command : CommandDefinition::All()) {
        if (command.valueOptions.contains(option))
            return true;
    }
    return false;
}

} // namespace

CommandLine::Result CommandLine::Fail(const QString& text) {
    error_ = text;
    return Result::UsageError;
}

bool CommandLine::TakeValue(const QStringList& arguments, int& i, const QString& option,
                            const QString& inlineValue, bool hasInlineValue, QString* value) {
    if (hasInlineValue) {
        *value = inlineValue;
        return true;
    }
    if (i + 1 >= arguments.size()) {
        error_ = QStringLiteral("option %1 needs a value").arg(option);
        return false;
    }
    *value = arguments.at(++i);
    return true;
}

CommandLine::Result CommandLine::Parse(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView bytes(argv[i], qsizetype(std::strlen(argv[i])));
        if (!TextRules::IsUtf8(bytes)) {
            return Fail(QStringLiteral("the argument \"%1\" is not UTF-8 text, so it cannot be "
                                       "taken as a name; give it in UTF-8")
                            .arg(FileSystem::ReadableName(bytes)));
        }
        arguments << QString::fromUtf8(bytes);
    }
    return Parse(arguments);
}

CommandLine::Result CommandLine::Parse(const QStringList& arguments) {
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            words << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString option = argument;
        QString inlineValue;
        bool hasInlineValue = false;
        if (argument.startsWith(QLatin1String("--"))) {
            const qsizetype equals = argument.indexOf(u'=');
            if (equals > 0) {
                option = argument.left(equals);
                inlineValue = argument.mid(equals + 1);
                hasInlineValue = true;
            }
        }
        QString value;
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            help = true;
        } else if (option == QLatin1String("--version")) {
            version = true;
        } else if (option == QLatin1String("--yes") || option == QLatin1String("-y")) {
            yes_ = true;
        } else if (option == QLatin1String("-w") || option == QLatin1String("--workspace")) {
            if (!TakeValue(arguments, i, option, inlineValue, hasInlineValue, &value))
                return Result::UsageError;
            if (value.isEmpty())
                return Fail(QStringLiteral("the workspace folder may not be empty"));
            workspace_ = value;
        } else if (option == QLatin1String("-m") || option == QLatin1String("--message")) {
            if (!TakeValue(arguments, i, option, inlineValue, hasInlineValue, &value))
                return Result::UsageError;
            if (descriptionText_ || descriptionFile_)
                return Fail(QStringLiteral("give the description once, with -m or with -F"));
            descriptionText_ = value;
        } else if (option == QLatin1String("-F") || option == QLatin1String("--file")) {
            if (!TakeValue(arguments, i, option, inlineValue, hasInlineValue, &value))
                return Result::UsageError;
            if (descriptionText_ || descriptionFile_)
                return Fail(QStringLiteral("give the description once, with -m or with -F"));
            descriptionFile_ = value;
        } else if (option == QLatin1String("-o") || option == QLatin1String("--output")) {
            if (!TakeValue(arguments, i, option, inlineValue, hasInlineValue, &value))
                return Result::UsageError;
            if (output_)
                return Fail(QStringLiteral("give the output file once"));
            if (value.isEmpty())
                return Fail(QStringLiteral("the output file may not be empty"));
            output_ = value;
        } else if (TakesValue(option)) {
            if (!TakeValue(arguments, i, option, inlineValue, hasInlineValue, &value))
                return Result::UsageError;
            if (values_.contains(option))
                return Fail(QStringLiteral("give %1 once").arg(option));
            values_.insert(option, value);
        } else if (!hasInlineValue && option.startsWith(QLatin1String("--"))) {
            // A command's own switch; checked against the command below.
            switches_.insert(option);
        } else {
            return Fail(QStringLiteral("unknown option %1 (a name that starts with \"-\" goes "
                                       "after \"--\")")
                            .arg(argument));
        }
    }

    // As every tool: --version answers whatever else the line holds.
    if (version)
        return Result::ShowVersion;
    if (words.isEmpty()) {
        if (help)
            return Result::ShowHelp;
        return Fail(QStringLiteral("no command given"));
    }
    // "help COMMAND" is "COMMAND --help".
    if (words.first() == QLatin1String("help")) {
        if (words.size() == 1)
            return Result::ShowHelp;
        words.removeFirst();
        help = true;
    }
    command_ = CommandDefinition::Find(words.first());
    if (!command_)
        return Fail(QStringLiteral("unknown command %1").arg(words.first()));
    if (help)
        return Result::ShowHelp;
    positional_ = words.mid(1);

    for (const QString& option : std::as_const(switches_)) {
        if (!command_->switches.contains(option))
            return Fail(QStringLiteral("%1 has no option %2").arg(command_->name, option));
    }
    for (auto value = values_.cbegin(); value != values_.cend(); ++value) {
        if (!command_->valueOptions.contains(value.key()))
            return Fail(QStringLiteral("%1 has no option %2").arg(command_->name, value.key()));
    }
    if ((descriptionText_ || descriptionFile_) && !command_->takesDescription)
        return Fail(QStringLiteral("%1 takes no description").arg(command_->name));
    if (output_ && !command_->takesOutput)
        return Fail(QStringLiteral("%1 takes no output file").arg(command_->name));
    if (command_->takesDescription && !descriptionText_ && !descriptionFile_)
        return Fail(
            QStringLiteral("%1 needs a description: -m TEXT or -F FILE").arg(command_->name));
    if (positional_.size() < command_->minArguments)
        return Fail(QStringLiteral("%1 needs %2").arg(command_->name, command_->synopsis));
    if (positional_.size() > command_->maxArguments) {
        return Fail(QStringLiteral("too many arguments for %1: %2")
                        .arg(command_->name, positional_.mid(command_->maxArguments).join(u' ')));
    }
    if (command_->checkLine) {
        const QString problem = command_->checkLine(*this);
        if (!problem.isEmpty())
            return Fail(problem);
    }
    return Result::Run;
}

std::optional<QString> CommandLine::Value(const QString& option) const {
    const auto value = values_.constFind(option);
    if (value == values_.cend())
        return std::nullopt;
    return *value;
}

QString CommandLine::ToolHelp() {
    QString text =
        QStringLiteral("Usage: %1 [-w DIR | --workspace DIR] [--yes] COMMAND [ARGUMENTS]\n"
                       "\n"
                       "Works on a Quorvel workspace from a terminal or a script, as the desktop\n"
                       "program does.\n"
                       "\n"
                       "Options:\n"
                       "  -w, --workspace DIR  the workspace folder (default: the one the desktop\n"
                       "                       program opens)\n"
                       "  -y, --yes            answer Yes to every confirmation\n"
                       "  -h, --help           show this help, or a command's help\n"
                       "      --version        show the version\n"
                       "\n"
                       "Commands:\n")
            .arg(ProgramName());
    for (const CommandDefinition& command : CommandDefinition::All()) {
        QString line = QStringLiteral("  ") + command.name;
        line = line.leftJustified(20, u' ');
        text += line + command.summary + u'\n';
    }
    text += QStringLiteral("\n"
                           "Run '%1 COMMAND --help' for a command's arguments.\n"
                           "\n"
                           "Exit status: 0 done, 1 refused, cancelled, failed or not found,\n"
                           "2 wrong command line (diff: 0 same, 1 different, 2 trouble).\n")
                .arg(ProgramName());
    return text;
}

QString CommandLine::VersionText() {
    return ProgramName() + u' ' + QString::fromLatin1(QuorvelVersionText);
}

QString CommandLine::CommandHelp(const CommandDefinition& definition) {
    QString usage =
        QStringLiteral("Usage: %1 [-w DIR] [--yes] %2").arg(ProgramName(), definition.name);
    if (!definition.synopsis.isEmpty())
        usage += u' ' + definition.synopsis;
    return usage + QStringLiteral("\n\n") + definition.summary + QStringLiteral(".\n\n") +
           definition.description + u'\n';
}
