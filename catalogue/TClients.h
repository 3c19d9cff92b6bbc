#pragma once

#include "catalogue/TVersionCollection.h"

// The root of the catalogue: the clients of the workspace.
class TClients : public TVersionCollection {
public:
    explicit TClients(CatalogueOwner* AOwner);
    QString XmlElementName() const override;

    // Asks for a client name, creates the client and its folder, selects it.
    // The new client, or null when none was made.
    TVersionItem* AddNewItem();
    // The name dialog of AddNewItem.
    std::optional<QString> AskNewName() const;
    // Asks, then sends the client's folder to the trash and removes it.
    // True when the user agreed and the folder went to the trash.
    bool RemoveItem(TVersionItem* Value);
    QString RemoveQuestion(const TVersionItem* Value) const override;

protected:
    std::unique_ptr<TVersionItem> GetItem() override;
};
