#include "versioning/VersionFolderSync.h"

#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"

#include <QSet>
#include <vector>

VersionFolderSync::Result VersionFolderSync::Reconcile(TProject& project, VersionListView* list) {
    Result result;
    TVersionCollection* versions = project.VersionCollection();
    // A damaged name would list another folder.
    if (!versions || !project.HasSafeFolderNames()) {
        result.outcome = Outcome::NoFolder;
        return result;
    }
    std::vector<TVersion*> known;
    QSet<QString> knownNames;
    for (int i = 0; i < versions->Count(); ++i) {
        auto* version = static_cast<TVersion*>(versions->GetItems(i));
        // Half made by a command that is still running.
        if (version->Name().isEmpty()) {
            result.outcome = Outcome::NotNow;
            return result;
        }
        known.push_back(version);
        knownNames.insert(version->Name());
    }

    const QString folder = project.Path();
    if (!FileSystem::FolderExists(folder)) {
        result.outcome = Outcome::NoFolder;
        return result;
    }
    QStringList onDisk;
    try {
        onDisk = FileSystem::ListSubfolders(folder);
    } catch (const QuorvelError&) {
        result.outcome = Outcome::NoFolder;
        return result;
    }
    QSet<QString> folderNames;
    for (const QString& name : onDisk) {
        if (TVersionCollection::IsItemFolderName(name))
            folderNames.insert(name);
    }

    // Removals first: they never let pending events run, so no pointer
    // held here can go stale meanwhile.
    for (TVersion* version : known) {
        if (folderNames.contains(version->Name()))
            continue;
        result.removed << version->Name();
        versions->DelItem(version);
    }
    for (const QString& name : onDisk) {
        if (!folderNames.contains(name) || knownNames.contains(name))
            continue;
        knownNames.insert(name);
        auto* version = static_cast<TVersion*>(versions->AddItem());
        version->SetName(name);
        if (versions->DataLoaded()) {
            try {
                version->LoadData();
            } catch (const QuorvelError&) {
                // A data file that cannot be read leaves the version as a
                // rebuild would make it, without its record.
            }
        }
        version->AddToView(list);
        result.added << name;
    }
    return result;
}
