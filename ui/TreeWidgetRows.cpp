#include "ui/TreeWidgetRows.h"

#include <QTreeWidget>

QStringList TreeWidgetRows(const QTreeWidget& list) {
    QStringList rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QStringList texts;
        for (int c = 0; c < list.columnCount(); ++c)
            texts << list.topLevelItem(i)->text(c);
        rows << texts.join(QStringLiteral(" | "));
    }
    return rows;
}
