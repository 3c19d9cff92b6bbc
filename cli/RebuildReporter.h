#pragma once

#include "workspace/RebuildProgress.h"

#include <QElapsedTimer>
#include <QString>

// The progress dialog's part in a rebuild, on a terminal: the item being
// built as the dialog names it ("client-project-version") on a status
// line, and a scan error on stderr.
class RebuildReporter : public RebuildProgress {
public:
    void ItemAdded(TProjectManager* Sender, TVersionItem* Item) override;
    void DoError(const QString& Message) override;

    bool ErrorReported() const { return errorReported; }
    // Wipes the status line.
    void Finish();

private:
    QString ClientName;
    QString ProjectName;
    QString VersionName;
    bool errorReported = false;
    QElapsedTimer sinceShown;
};
