#pragma once

#include <QStringList>

class TProject;
class VersionListView;

// Brings one project's versions in line with the version folders in its
// folder, for folders that appeared, went or were renamed outside the
// program: items are added and removed one by one, never rebuilt.
class VersionFolderSync {
public:
    enum class Outcome {
        // The versions match the folders (they may have been changed).
        Done,
        // The project's folder is not there or cannot be read: nothing was
        // changed, so a folder that went for a moment costs no versions.
        NoFolder,
        // An item is being made (it has no name yet): try again later.
        NotNow,
    };

    struct Result {
        Outcome outcome = Outcome::Done;
        // Names of the versions added and removed, in folder and list order.
        QStringList added;
        QStringList removed;
        bool Changed() const { return !added.isEmpty() || !removed.isEmpty(); }
    };

    // A folder becomes a version as the rebuild's scan would make it one
    // (see TVersionCollection::IsItemFolderName), with its data file read
    // when the project's data is loaded, and a row in list when given.
    // Versions whose folders are gone leave the catalogue and the list.
    // Names are matched exactly, as the file system does.
    static Result Reconcile(TProject& project, VersionListView* list);
};
