#include "catalogue/SharedTexts.h"

#include <QSet>

QString SharedTexts::Of(const QString& text) {
    if (text.isEmpty())
        return QString();
    static QSet<QString> held;
    const auto found = held.constFind(text);
    if (found != held.constEnd())
        return *found;
    held.insert(text);
    return text;
}
