// What the stand-in's platform entry supplies to its portable part.
#pragma once

#include <string>
#include <vector>

namespace standin {

// Writes bytes to standard output or error in one call, unbuffered; a closed stream is
// ignored.
void WriteOut(const std::string& bytes);
void WriteErr(const std::string& bytes);

// Starts the program at path with the arguments (the program name is added in front); the
// child inherits the standard streams and is not waited for. False when it cannot start.
bool SpawnDetached(const std::wstring& path, const std::vector<std::wstring>& arguments);

// Ends the process abnormally, as a crash does, without a dialog.
[[noreturn]] void CrashNow();

}  // namespace standin
