// Unbuffered standard streams and a detached copy of a program, for the stand-in programs
// that tests start (they must write each line in one piece and leave programs running).
#pragma once

#include <string>
#include <vector>

namespace tools {

// Writes bytes to standard output or error in one call; a closed stream is ignored.
void WriteOut(const std::string& bytes);
void WriteErr(const std::string& bytes);

// Starts argv[0] with the arguments after it; the child inherits the standard streams and
// is not waited for. False when it cannot be started.
bool SpawnDetached(const std::vector<std::wstring>& argv);

}  // namespace tools
