// The tracker's exception type.
#include "analytics/qo_exception.h"

#include <utility>

namespace usage::zelkor {

QoException::QoException(std::string message, std::string file, std::string function, int line)
    : message_(std::move(message)), file_(std::move(file)), function_(std::move(function)), line_(line) {}

const char* QoException::what() const noexcept { return message_.c_str(); }

}  // namespace usage::zelkor
