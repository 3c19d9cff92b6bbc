#pragma once

#include "platform/QuorvelError.h"

// Raised when a text that must be a whole number is not one.
class ConversionError : public QuorvelError {
public:
    explicit ConversionError(const QString& text);
};
