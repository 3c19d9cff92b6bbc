#include "catalogue/TClients.h"

#include "catalogue/TClient.h"

TClients::TClients(CatalogueOwner* AOwner) : TVersionCollection(AOwner) {}

QString TClients::XmlElementName() const {
    return QStringLiteral("Clients");
}

std::unique_ptr<TVersionItem> TClients::GetItem() {
    return std::make_unique<TClient>(this);
}

TVersionItem* TClients::AddNewItem() {
    TVersionItem* client =
        AddNewNamedItem(QStringLiteral("Client name dialog"), QStringLiteral("Enter client name"));
    if (client)
        client->SetSelected(true);
    return client;
}

bool TClients::RemoveItem(TVersionItem* Value) {
    const int projects = Value->VersionCollection() ? Value->VersionCollection()->Count() : 0;
    return RemoveAfterConfirmation(
        Value,
        QStringLiteral("Delete client %1 with all %2 projects?").arg(Value->Name()).arg(projects));
}
