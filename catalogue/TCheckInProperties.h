#pragma once

#include <QString>

class TSimpleXmlParser;

// The record of a version's last check-out or check-in; copied whole.
struct TCheckInProperties {
    QString sDatetime;
    QString sOwner;
    QString sDescription;

    // The three elements of the data file, without the last line break.
    QString AsXmlString() const;
    // Reads the elements that are there; the others keep their value.
    void FromXml(TSimpleXmlParser& Sxp);

    bool operator==(const TCheckInProperties& other) const {
        return sDatetime == other.sDatetime && sOwner == other.sOwner &&
               sDescription == other.sDescription;
    }
};
