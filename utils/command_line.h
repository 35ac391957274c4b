// Splitting a command-line text into arguments by the rules of the Windows loader
// (CommandLineToArgvW), so the same text means the same arguments on every platform.
#pragma once

#include <string>
#include <vector>

namespace Utils {

// The first argument (the program) ends at the next blank, or, when it starts with a double
// quote, at the next double quote; it knows no escapes. Later arguments: blanks separate,
// double quotes group, 2n backslashes before a quote give n backslashes and open or close
// quoting, 2n+1 give n backslashes and a literal quote, and inside quoting a run of three
// quotes gives a literal one.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

}  // namespace Utils
