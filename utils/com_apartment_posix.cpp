// POSIX has no COM: the apartment is a no-op.
#include "utils/com_apartment.h"

namespace Utils {

ComApartment::ComApartment() = default;
ComApartment::~ComApartment() = default;

}  // namespace Utils
