#pragma once

#include <QString>
#include <QStringList>

// A graphical program that compares two files, found on the PATH.
class ComparisonProgram {
public:
    // The programs looked for, in order of preference.
    static QStringList KnownNames();
    // The full path of the first known program on the PATH; empty text
    // when there is none.
    static QString Find();
    // Why no file can be opened in one: none of them is installed, and
    // which to install.
    static QString MissingText();
    // Starts program on the two files (absolute paths, so that none reads
    // as an option), detached and without a shell; false when it did not
    // start.
    static bool Start(const QString& program, const QString& first, const QString& second);
};
