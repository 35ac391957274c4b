// POSIX standard streams written with write(2), and posix_spawn for a detached program.
#include <spawn.h>
#include <unistd.h>

#include "tools/entry/std_streams.h"
#include "utils/text.h"

extern char** environ;

namespace tools {
namespace {

void WriteFd(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {  // a blocking pipe takes it in one call; a signal may cut it short
    const ssize_t n = write(fd, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace

void WriteOut(const std::string& bytes) { WriteFd(STDOUT_FILENO, bytes); }
void WriteErr(const std::string& bytes) { WriteFd(STDERR_FILENO, bytes); }

bool SpawnDetached(const std::vector<std::wstring>& argv) {
  if (argv.empty()) return false;
  std::vector<std::string> narrow;
  for (const std::wstring& a : argv) narrow.push_back(Utils::ToNarrow(a, Utils::kCodePageUtf8));
  std::vector<char*> pointers;
  for (std::string& a : narrow) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) == 0;
}

}  // namespace tools
