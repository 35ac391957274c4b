// The stand-in program's portable entry: picks the role from the command line.
#pragma once

#include <string>
#include <vector>

namespace standin {

// args: the arguments as the platform split them (args[0] is the program). commandLine:
// the text the folder after "/D=" or "_?=" is taken from; on Windows the raw command line,
// elsewhere the arguments joined with single blanks.
int StandinMain(const std::vector<std::wstring>& args, const std::wstring& commandLine);

}  // namespace standin
