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

    bool ErrorReported() const { return errorReported_; }
    // Wipes the status line.
    void Finish();

private:
    QString clientName_;
    QString projectName_;
    QString versionName_;
    bool errorReported_ = false;
    QElapsedTimer sinceShown_;
};
