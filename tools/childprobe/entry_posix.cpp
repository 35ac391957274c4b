// POSIX entry of the probe.
#include <spawn.h>
#include <unistd.h>

#include "tools/childprobe/probe.h"
#include "utils/folders.h"
#include "utils/text.h"

extern char** environ;

namespace {
void WriteFd(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}
}  // namespace

void WriteOut(const std::string& bytes) { WriteFd(STDOUT_FILENO, bytes); }
void WriteErr(const std::string& bytes) { WriteFd(STDERR_FILENO, bytes); }

bool SpawnDetached(const std::vector<std::wstring>& args) {
  std::vector<std::string> narrow;
  for (const std::wstring& a : args) narrow.push_back(Utils::ToNarrow(a, Utils::kCodePageUtf8));
  narrow[0] = Utils::ToNarrow(Utils::GetExecutablePath(), Utils::kCodePageUtf8);
  std::vector<char*> argv;
  for (std::string& a : narrow) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
}

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utils::ToWide(argv[i], Utils::kCodePageUtf8));
  return ProbeMain(args);
}
