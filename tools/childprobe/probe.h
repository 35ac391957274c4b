// The probe's commands and the two things its platform entry supplies.
#pragma once

#include <string>
#include <vector>

// args[0] is the program, args[1] the command.
int ProbeMain(const std::vector<std::wstring>& args);

// Starts a copy of this program with the given arguments that inherits the standard
// streams and is not waited for; false when it cannot be started.
bool SpawnDetached(const std::vector<std::wstring>& args);
// Writes bytes to standard output or error, unbuffered.
void WriteOut(const std::string& bytes);
void WriteErr(const std::string& bytes);
