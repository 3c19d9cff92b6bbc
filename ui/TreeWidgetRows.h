#pragma once

#include <QStringList>

class QTreeWidget;

// A list's top-level rows as the user reads them, each row's columns
// joined by " | ", for the panels that tell tests what they show.
QStringList TreeWidgetRows(const QTreeWidget& list);
