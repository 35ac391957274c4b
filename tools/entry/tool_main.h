// The shared entry of the command-line tools: each platform's main hands the portable
// ToolMain the wide arguments.
#pragma once

#include <string>
#include <vector>

// args[0] is the program; returns the process exit code. Each tool defines it.
int ToolMain(const std::vector<std::wstring>& args);
