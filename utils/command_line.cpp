// Command-line splitting with the Windows loader's rules.
#include "utils/command_line.h"

namespace Utils {
namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  std::vector<std::wstring> args;
  const std::size_t n = commandLine.size();
  std::size_t i = 0;

  // The program: quotes group, no escapes.
  std::wstring program;
  if (i < n && commandLine[i] == L'"') {
    ++i;
    while (i < n && commandLine[i] != L'"') program.push_back(commandLine[i++]);
    if (i < n) ++i;  // the closing quote
  } else {
    while (i < n && !IsBlank(commandLine[i])) program.push_back(commandLine[i++]);
  }
  args.push_back(program);

  while (i < n && IsBlank(commandLine[i])) ++i;
  if (i >= n) return args;

  std::wstring current;
  int quotes = 0;          // 1 while inside quoting
  std::size_t backslashes = 0;
  while (i < n) {
    const wchar_t c = commandLine[i];
    if (IsBlank(c) && quotes == 0) {
      args.push_back(current);
      current.clear();
      backslashes = 0;
      while (i < n && IsBlank(commandLine[i])) ++i;
      if (i >= n) return args;
      continue;
    }
    if (c == L'\\') {
      current.push_back(c);
      ++backslashes;
      ++i;
      continue;
    }
    if (c == L'"') {
      if (backslashes % 2 == 0) {
        current.resize(current.size() - backslashes / 2);
        ++quotes;
      } else {
        current.resize(current.size() - backslashes / 2 - 1);
        current.push_back(L'"');
      }
      ++i;
      backslashes = 0;
      // A run of quotes: counting the one that opened, every third gives a literal quote.
      while (i < n && commandLine[i] == L'"') {
        if (++quotes == 3) {
          current.push_back(L'"');
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    current.push_back(c);
    backslashes = 0;
    ++i;
  }
  args.push_back(current);
  return args;
}

}  // namespace Utils
