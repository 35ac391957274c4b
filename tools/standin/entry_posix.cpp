// POSIX entry of the stand-in: UTF-8 arguments and SIGSEGV for a crash.
#include <signal.h>
#include <unistd.h>

#include "tools/standin/platform.h"
#include "tools/standin/standin.h"
#include "utils/text.h"

namespace standin {

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
