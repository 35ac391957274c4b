// What the stand-in's platform entry supplies to its portable part (the standard streams
// and detached programs come from tools/entry/std_streams.h).
#pragma once

#include <string>
#include <vector>

namespace standin {

// Ends the process abnormally, as a crash does, without a dialog.
[[noreturn]] void CrashNow();

}  // namespace standin
