#pragma once

#include <QString>

class TVersion;
class TVersionItem;

// Finds clients, projects and versions by the names given on the command
// line, matched as the program matches names. Each says "not found: NAME"
// on stderr and returns null when there is no such item.
class ItemLookup {
public:
    static TVersionItem* Client(const QString& name);
    static TVersionItem* Project(const QString& client, const QString& project);
    // A version's name, or its number: "3" is the first version, in
    // catalogue order, whose number is 3 (when no version is named "3").
    static TVersion* Version(const QString& client, const QString& project, const QString& version);
    static TVersion* VersionOf(TVersionItem* project, const QString& version);

    static void ReportNotFound(const QString& name);
};
