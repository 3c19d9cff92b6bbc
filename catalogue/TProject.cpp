#include "catalogue/TProject.h"

#include "catalogue/TVersions.h"

TProject::TProject(TVersionCollection* AParent) : TVersionItem(AParent) {
    InstallCollection(std::make_unique<TVersions>(this));
}

QString TProject::XmlElementName() const {
    return QStringLiteral("Project");
}
