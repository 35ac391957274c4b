// POSIX process arguments: /proc/self/cmdline, the arguments as the process was given them.
#include <fstream>
#include <iterator>

#include "startup/switch_map.h"
#include "utils/command_line.h"
#include "utils/text.h"

std::vector<std::wstring> SplitCommandLineText(const std::wstring& commandLine) {
  return Utils::SplitCommandLine(commandLine);
}

std::vector<std::wstring> ProcessArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::wstring> arguments;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    // An argument that is not valid UTF-8 cannot be a switch this installer reads.
    arguments.push_back(Utils::ToWide(bytes.substr(start, end - start), Utils::kCodePageAnsi));
    start = end + 1;
  }
  return arguments;
}
