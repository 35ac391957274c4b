// The probe's commands.
#pragma once

#include <string>
#include <vector>

// args[0] is the program, args[1] the command.
int ProbeMain(const std::vector<std::wstring>& args);
