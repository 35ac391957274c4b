// The fetch tool's portable part and the two things each platform's entry gives it.
#pragma once

#include <string>
#include <vector>

// args[0] is the program; returns the process exit code.
int FetchMain(const std::vector<std::wstring>& args);

// Writes UTF-8 text to standard output at once (progress lines must show while they happen).
void WriteOut(const std::string& text);
