// Utils::Exception: a narrow message, or "Unknown exception" when there is none.
#include "utils/exception.h"

#include "utils/text.h"

namespace Utils {

Exception::Exception(const std::wstring& message) : message_(ToNarrow(message, kCodePageAnsi)) {}

const char* Exception::what() const noexcept {
  return message_.empty() ? "Unknown exception" : message_.c_str();
}

}  // namespace Utils
