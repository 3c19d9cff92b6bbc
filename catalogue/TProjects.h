#pragma once

#include "catalogue/TVersionCollection.h"

// The projects of one client.
class TProjects : public TVersionCollection {
public:
    explicit TProjects(TVersionItem* AOwner);
    QString XmlElementName() const override;

    // Asks for a project name, creates the project with its first version
    // "version 1" and their folders, selects it.
    void AddNewItem();
    // Asks, then sends the project's folder to the trash and removes it.
    void RemoveItem(TVersionItem* Value);

protected:
    std::unique_ptr<TVersionItem> GetItem() override;
};
