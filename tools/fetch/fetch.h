// The fetch tool's portable part; each platform's entry hands it the wide arguments.
#pragma once

#include <string>
#include <vector>

// args[0] is the program; returns the process exit code.
int FetchMain(const std::vector<std::wstring>& args);
