#pragma once

#include "catalogue/TVersionCollection.h"

// The projects of one client.
class TProjects : public TVersionCollection {
public:
    explicit TProjects(TVersionItem* AOwner);
    QString XmlElementName() const override;

    // Asks for a project name, creates the project with its first version
    // "version 1" and their folders, selects it.
    // The new project, or null when none was made.
    TVersionItem* AddNewItem();
    // The name dialog of AddNewItem.
    std::optional<QString> AskNewName() const;
    // "version 1", the folder of a new project's first version.
    static QString FirstVersionName();
    // What AddNewItem does with the name; null, with the reason shown, when
    // a folder could not be made.
    TVersionItem* AddProject(const QString& name);
    // Asks, then sends the project's folder to the trash and removes it.
    // True when the user agreed and the folder went to the trash.
    bool RemoveItem(TVersionItem* Value);
    QString RemoveQuestion(const TVersionItem* Value) const override;

protected:
    std::unique_ptr<TVersionItem> GetItem() override;
};
