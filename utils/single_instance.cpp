// Single-instance guard over the platform's named lock.
#include "utils/single_instance.h"

namespace Utils {

bool SingleInstanceGuard::Acquire() {
  if (handle_ == 0) handle_ = guard_detail::Take(Name());
  return handle_ != 0;
}

void SingleInstanceGuard::Release() {
  if (handle_ == 0) return;
  guard_detail::Give(handle_);
  handle_ = 0;
}

}  // namespace Utils
