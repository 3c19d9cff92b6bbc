#include "platform/ConversionError.h"

ConversionError::ConversionError(const QString& text)
    : QuorvelError(QStringLiteral("'%1' is not a valid integer value").arg(text)) {}
