#pragma once

#include <QStringList>

#include <optional>

// quorvel-cli archive: a version packed into a zip file, with its progress
// on a terminal.
class ArchiveCommand {
public:
    // arguments: client, project and version; output: the -o FILE given.
    int Run(const QStringList& arguments, const std::optional<QString>& output);
};
