#pragma once

#include "catalogue/TVersionItem.h"

// A project: a folder of a client, holding its versions.
class TProject : public TVersionItem {
public:
    explicit TProject(TVersionCollection* AParent);
    QString XmlElementName() const override;
};
