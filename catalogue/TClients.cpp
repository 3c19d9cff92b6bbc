#include "catalogue/TClients.h"

#include "catalogue/ItemFolders.h"
#include "catalogue/TClient.h"

TClients::TClients(CatalogueOwner* AOwner) : TVersionCollection(AOwner) {}

QString TClients::XmlElementName() const {
    return QStringLiteral("Clients");
}

std::unique_ptr<TVersionItem> TClients::GetItem() {
    return std::make_unique<TClient>(this);
}

TVersionItem* TClients::AddNewItem() {
    const std::optional<QString> name = AskNewName();
    TVersionItem* client = name ? AddNamedItem(*name) : nullptr;
    if (client)
        client->SetSelected(true);
    return client;
}

std::optional<QString> TClients::AskNewName() const {
    return AskFreeName(QStringLiteral("Client name dialog"), QStringLiteral("Enter client name"),
                       BytesUsedBelow(QStringList()));
}

bool TClients::RemoveItem(TVersionItem* Value) {
    return RemoveAfterConfirmation(Value, RemoveQuestion(Value));
}

QString TClients::RemoveQuestion(const TVersionItem* Value) const {
    const int projects = Value->VersionCollection() ? Value->VersionCollection()->Count() : 0;
    return QStringLiteral("Delete client %1 with all %2 projects?")
        .arg(Value->Name(), QString::number(projects));
}
