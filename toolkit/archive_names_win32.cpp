// Windows: libarchive stores the 7z format's UTF-16 names as wide text, nothing to set up.
#include "toolkit/archive_names.h"

namespace SkinUI {

void ReadWithWideNames(const std::function<void()>& read) { read(); }

}  // namespace SkinUI
