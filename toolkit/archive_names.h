// Entry names of libarchive as wide text: the one part of reading an archive that differs
// per platform.
#pragma once

#include <functional>

namespace SkinUI {

// Runs read while the calling thread lets libarchive turn the 7z format's UTF-16 entry
// names into wide text. POSIX: libarchive converts each name into the thread's multibyte
// encoding while it reads the header, so read runs under a UTF-8 locale set for this
// thread only (the process's locale stays as it is). Windows: libarchive keeps the names
// as wide text itself, so read simply runs.
void ReadWithWideNames(const std::function<void()>& read);

}  // namespace SkinUI
