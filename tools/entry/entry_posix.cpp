// POSIX entry of the command-line tools: UTF-8 arguments.
#include "tools/entry/tool_main.h"
#include "utils/text.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utils::ToWide(argv[i], Utils::kCodePageUtf8));
  return ToolMain(args);
}
