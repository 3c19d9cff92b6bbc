#pragma once

#include <QString>
#include <QStringList>

class TVersionCollection;
class TVersionItem;

// Finds the item that a name given by the user, a script or a file stands
// for in one collection. Where letter case tells folders apart, "Harbour"
// and "harbour" are two items: the item of exactly that name wins. Without
// one, the name finds the one item equal to it with a-z taken as A-Z; when
// several are, the name is ambiguous and finds none.
// (Whether a new name is taken stays ItemByName's case-blind rule.)
class NameLookup {
public:
    NameLookup(const TVersionCollection& items, const QString& name);

    // The item found; null when none matches or the name is ambiguous.
    TVersionItem* Item() const { return item_; }
    bool IsAmbiguous() const { return candidates_.size() > 1; }
    // When ambiguous, the names that match without regard to case, in the
    // collection's order.
    const QStringList& Candidates() const { return candidates_; }
    // "NAME" is ambiguous: CANDIDATE, CANDIDATE...
    QString AmbiguityMessage() const;

private:
    QString name_;
    TVersionItem* item_ = nullptr;
    QStringList candidates_;
};
