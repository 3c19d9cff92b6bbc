#include "catalogue/NameLookup.h"

#include "catalogue/TVersionCollection.h"
#include "catalogue/TVersionItem.h"
#include "platform/TextRules.h"

NameLookup::NameLookup(const TVersionCollection& items, const QString& name) : name_(name) {
    TVersionItem* caseBlind = nullptr;
    for (int i = 0; i < items.Count(); ++i) {
        TVersionItem* item = items.GetItems(i);
        if (item->Name() == name) {
            item_ = item;
            candidates_.clear();
            return;
        }
        if (TextRules::SameTextAscii(item->Name(), name)) {
            caseBlind = item;
            candidates_.append(item->Name());
        }
    }
    if (candidates_.size() == 1)
        item_ = caseBlind;
}

QString NameLookup::AmbiguityMessage() const {
    return QStringLiteral("\"%1\" is ambiguous: %2")
        .arg(name_, candidates_.join(QLatin1String(", ")));
}
