// POSIX entry of the stand-in: UTF-8 arguments, unbuffered descriptors, posix_spawn for the
// grandchild, SIGSEGV for a crash.
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include "tools/standin/platform.h"
#include "tools/standin/standin.h"
#include "utils/text.h"

extern char** environ;

namespace standin {
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

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }
}  // namespace

void WriteOut(const std::string& bytes) { WriteFd(STDOUT_FILENO, bytes); }
void WriteErr(const std::string& bytes) { WriteFd(STDERR_FILENO, bytes); }

bool SpawnDetached(const std::wstring& path, const std::vector<std::wstring>& arguments) {
  std::vector<std::string> narrow{Utf8(path)};
  for (const std::wstring& a : arguments) narrow.push_back(Utf8(a));
  std::vector<char*> argv;
  for (std::string& a : narrow) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
}

void CrashNow() {
  signal(SIGSEGV, SIG_DFL);
  raise(SIGSEGV);
  _exit(128 + SIGSEGV);
}

}  // namespace standin

int main(int argc, char** argv) {
  // A reader that has gone makes writes fail, as on Windows, instead of ending the program.
  signal(SIGPIPE, SIG_IGN);
  std::vector<std::wstring> args;
  std::wstring commandLine;
  for (int i = 0; i < argc; ++i) {
    args.push_back(Utils::ToWide(argv[i], Utils::kCodePageUtf8));
    commandLine += (i == 0 ? L"" : L" ") + args.back();
  }
  return standin::StandinMain(args, commandLine);
}
