#pragma once

#include "catalogue/TVersionCollection.h"

// The versions of one project.
class TVersions : public TVersionCollection {
public:
    explicit TVersions(TVersionItem* AOwner);
    QString XmlElementName() const override;

    // One more than the highest version number; 0 for no versions. Raises
    // QuorvelError when the highest number is the largest there is.
    int GetNextVersionNr() const;

protected:
    std::unique_ptr<TVersionItem> GetItem() override;
    // A version folder with its own record that the catalogue lacks (a
    // check-out cut off after it placed its folder, or made by another
    // program) is whole: it is listed again, and the user told. A folder
    // without a readable record waits for a rebuild.
    void TakeUpFoundItems(const QString& ownerFolder) override;
};
