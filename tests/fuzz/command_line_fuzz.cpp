// Fuzz target of the command-line splitter: the bytes, one character each, are the command
// line. The arguments never hold more characters than the line, and no character the line
// does not have.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utils/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring line(data, data + size);
  std::size_t characters = 0;
  for (const std::wstring& argument : Utils::SplitCommandLine(line)) {
    characters += argument.size();
    for (wchar_t c : argument) {
      if (line.find(c) == std::wstring::npos) std::abort();
    }
  }
  if (characters > line.size()) std::abort();
  return 0;
}
