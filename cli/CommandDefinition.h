#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CommandLine;
struct CommandRun;

// One command of quorvel-cli: how it is called and what its help says.
struct CommandDefinition {
    QString name;
    // The arguments as the synopsis shows them.
    QString synopsis;
    QString summary;
    QString description;
    int minArguments = 0;
    int maxArguments = 0;
    // Switches such as "--json".
    QStringList switches;
    // Options that take a value, such as "--grep TEXT".
    QStringList valueOptions;
    // The command's own rules for its line, past the counts: what is wrong,
    // or nothing.
    std::function<QString(const CommandLine&)> checkLine;
    // Takes the description as -m TEXT or -F FILE.
    bool takesDescription = false;
    // Takes the file it writes as -o FILE.
    bool takesOutput = false;
    // Only reads: the run writes no file of the workspace, and none at all
    // unless it takes -o.
    bool readsOnly = false;
    // Exit status 1 says that what was compared differs, so any failure
    // is 2.
    bool reportsDifference = false;
    // Rebuilds the catalogue: a catalogue file that cannot be read is
    // reported and the command runs all the same.
    bool opensDamagedCatalogue = false;
    // What the command did to the catalogue, with %1, %2, ... for its
    // arguments; empty when it does not change the catalogue.
    QString done;
    // Carries the command out; the exit status.
    std::function<int(CommandRun&)> run;

    CommandDefinition& Runs(std::function<int(CommandRun&)> handler) {
        run = std::move(handler);
        return *this;
    }
    CommandDefinition& TakesOutput() {
        takesOutput = true;
        return *this;
    }
    CommandDefinition& ReadsOnly() {
        readsOnly = true;
        return *this;
    }
    CommandDefinition& ReportsDifference() {
        reportsDifference = true;
        return *this;
    }
    CommandDefinition& OpensDamagedCatalogue() {
        opensDamagedCatalogue = true;
        return *this;
    }
    CommandDefinition& TakesValues(QStringList options,
                                   std::function<QString(const CommandLine&)> check) {
        valueOptions = std::move(options);
        checkLine = std::move(check);
        return *this;
    }
    CommandDefinition& Does(const char* text) {
        done = QString::fromLatin1(text);
        return *this;
    }

    // The done text with %1, %2, ... replaced by those arguments, each in
    // its own place: an argument's own text is never read for placeholders.
    QString DoneText(const QStringList& arguments) const;

    static const std::vector<CommandDefinition>& All();
    // Null for an unknown name.
    static const CommandDefinition* Find(const QString& name);
};
