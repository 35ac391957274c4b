// POSIX guard: an exclusive flock on "<name>.lock" in $XDG_RUNTIME_DIR (per user, like a
// session's mutex namespace) or /tmp. The kernel drops the lock when the holder dies.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "utils/single_instance.h"
#include "utils/text.h"

namespace Utils::guard_detail {

std::intptr_t Take(const std::wstring& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder = (runtime != nullptr && *runtime == '/') ? runtime : "/tmp";
  const std::string narrow = ToNarrow(name, kCodePageAnsi);
  if (narrow.empty() || narrow.find('/') != std::string::npos) return 0;
  // Read-only is enough for flock, and lets another user's lock file be shared.
  const int fd = open((folder + "/" + narrow + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return 0;
  }
  return static_cast<std::intptr_t>(fd) + 1;  // fd 0 must not read as "no handle"
}

void Give(std::intptr_t handle) { close(static_cast<int>(handle - 1)); }

}  // namespace Utils::guard_detail
