#pragma once

#include "workspace/WorkspacePresence.h"

#include <QDateTime>
#include <QLabel>
#include <QList>

class QTimer;

// The status bar's note of who else has the window's workspace open, empty
// when nobody has. It holds the window's own presence in that workspace
// and looks at the others every two seconds.
class PresenceIndicator : public QLabel {
    Q_OBJECT

public:
    explicit PresenceIndicator(QWidget* parent = nullptr);

    // Announces the window in folder (empty: in none) and shows who else
    // is there.
    void SetWorkspace(const QString& folder);

    // "Also open here: jan on atlas since 09:14; piet on hera since 10:02",
    // earliest first, in local time with the date when not of now's day;
    // empty for nobody.
    static QString Text(QList<WorkspacePresence::Other> others, const QDateTime& now);

private:
    void Update();

    WorkspacePresence presence_;
    QTimer* timer_;
};
