#pragma once

#include <QString>

class TVersion;
class TVersionItem;

// Finds clients, projects and versions by the names given on the command
// line, by NameLookup's rule. Each says "not found: NAME", or for a name
// that several items match without regard to case that it is ambiguous,
// on stderr and returns null.
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
