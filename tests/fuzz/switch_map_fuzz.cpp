// Fuzz target of the switch parser: the bytes, one character each, are the command line.
// Numbers read from switch values are within their ranges, a number that is not finite
// gives the fallback, and a name found has a value that reads back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "startup/switch_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring line(data, data + size);
  const SwitchMap switches = SwitchMap::FromArguments(SplitCommandLineText(L"TaveloInstaller.exe " + line));
  for (const wchar_t* name : {L"-downloadurl", L"-downloadtype", L"-downloadscale", L"-ischecknet", L"-language",
                              L"-packagesigner"}) {
    const double number = switches.GetDouble(name, -1.5);
    if (!std::isfinite(number)) std::abort();
    if (!switches.Contains(name) && (number != -1.5 || !switches.GetString(name).empty() || switches.GetBool(name))) {
      std::abort();
    }
    if (switches.GetBool(name) != (switches.GetString(name) == L"true")) std::abort();
    (void)switches.GetInt(name);  // saturates: any value is in range
  }
  return 0;
}
