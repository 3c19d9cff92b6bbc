#pragma once

#include "catalogue/TVersionCollection.h"

// The root of the catalogue: the clients of the workspace.
class TClients : public TVersionCollection {
public:
    explicit TClients(CatalogueOwner* AOwner);
    QString XmlElementName() const override;

    // Asks for a client name, creates the client and its folder, selects it.
    void AddNewItem();
    // Asks, then sends the client's folder to the trash and removes it.
    void RemoveItem(TVersionItem* Value);

protected:
    std::unique_ptr<TVersionItem> GetItem() override;
};
