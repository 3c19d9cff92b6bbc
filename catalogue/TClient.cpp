#include "catalogue/TClient.h"

#include "catalogue/TProjects.h"

TClient::TClient(TVersionCollection* AParent) : TVersionItem(AParent) {
    InstallCollection(std::make_unique<TProjects>(this));
}

QString TClient::XmlElementName() const {
    return QStringLiteral("Client");
}
