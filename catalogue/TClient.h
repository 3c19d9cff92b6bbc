#pragma once

#include "catalogue/TVersionItem.h"

// A client: a folder of the workspace, holding its projects.
class TClient : public TVersionItem {
public:
    explicit TClient(TVersionCollection* AParent);
    QString XmlElementName() const override;
};
