#pragma once

#include "platform/QuorvelError.h"

// A change was made on disk, but the catalogue file could not be saved
// after it: the work is there, and the message says why the file is not.
class CatalogueNotSaved : public QuorvelError {
public:
    using QuorvelError::QuorvelError;
};
