#pragma once

#include <QStringList>

class CommandLineUser;

// The editor registry: list, register, and open a version in an editor.
class EditorCommands {
public:
    explicit EditorCommands(CommandLineUser& user);

    int List();
    int Add(const QStringList& arguments);
    int Open(const QStringList& arguments);

private:
    CommandLineUser& user_;
};
