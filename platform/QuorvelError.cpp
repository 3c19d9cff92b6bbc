#include "platform/QuorvelError.h"

#include <utility>

QuorvelError::QuorvelError(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8()) {}

const char* QuorvelError::what() const noexcept {
    return utf8_.constData();
}
