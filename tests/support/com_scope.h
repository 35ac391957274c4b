// COM initialised on the calling thread for the life of the object (nothing on POSIX).
#pragma once

#include "utils/com_apartment.h"

namespace testsupport {
using ComScope = Utils::ComApartment;
}  // namespace testsupport
