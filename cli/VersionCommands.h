#pragma once

#include <QString>
#include <QStringList>

class CommandLineUser;
class TVersion;

// The version commands of the window, each run only where the window
// offers it, and the comparison of two versions.
class VersionCommands {
public:
    explicit VersionCommands(CommandLineUser& user);

    int CheckOut(const QStringList& arguments);
    int CheckIn(const QStringList& arguments, const QString& description);
    int CheckInCheckOut(const QStringList& arguments, const QString& description);
    int UndoCheckOut(const QStringList& arguments);
    int Import(const QStringList& arguments);
    // Exit status as diff has it: 0 same, 1 different, 2 trouble.
    int Diff(const QStringList& arguments);

private:
    // Makes the version active, as selecting it in the list does.
    static TVersion* Select(const QStringList& arguments);
    static int Refuse(const QString& text);
    // The refusal for a check-in of a version that is not checked out.
    static QString NotCheckedOut(const TVersion* version);

    CommandLineUser& user_;
};
