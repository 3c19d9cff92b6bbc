#pragma once

#include <QString>
#include <QStringList>
#include <vector>

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
    // Takes the description as -m TEXT or -F FILE.
    bool takesDescription = false;

    static const std::vector<CommandDefinition>& All();
    // Null for an unknown name.
    static const CommandDefinition* Find(const QString& name);
};
