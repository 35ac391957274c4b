// POSIX entry of the fetch tool: UTF-8 arguments.
#include <unistd.h>

#include "tools/fetch/fetch.h"
#include "utils/text.h"

void WriteOut(const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(STDOUT_FILENO, p, left);
    if (n <= 0) return;  // nowhere to write: the download goes on regardless
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utils::ToWide(argv[i], Utils::kCodePageUtf8));
  return FetchMain(args);
}
