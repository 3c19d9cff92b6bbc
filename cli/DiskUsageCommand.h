#pragma once

#include <QStringList>

#include <vector>

class TVersion;

// quorvel-cli du: what each version of a client or project takes on disk,
// and what deleting it would free.
class DiskUsageCommand {
public:
    // arguments: a client, and perhaps one of its projects.
    int Run(const QStringList& arguments, bool json);

private:
    // The versions asked for, in catalogue order; false when a name was not
    // found.
    static bool Versions(const QStringList& arguments, std::vector<TVersion*>* versions);
};
