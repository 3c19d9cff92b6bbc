#pragma once

#include "platform/QuorvelError.h"

// A change was made on disk, but the catalogue file could not be saved
// after it: the work is there, and the message says why the file is not.
class CatalogueNotSaved : public QuorvelError {
public:
    explicit CatalogueNotSaved(QString reason, QString done = QString())
        : QuorvelError(std::move(reason)), done_(std::move(done)) {}

    // What was done, when the command that did it knows better than its
    // caller ("Version 3 of Acme/Harbour was checked out"); may be empty.
    const QString& Done() const { return done_; }

private:
    QString done_;
};
