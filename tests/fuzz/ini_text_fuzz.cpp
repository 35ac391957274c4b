// Fuzz target of the INI reader and writer over file text: the bytes, one character each,
// are the text. Besides crashes it checks that a value written is the value read back, and
// that writing it again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utils/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace Utils::ini_detail;
  const std::wstring text(data, data + size);
  std::wstring value;
  const bool found = FindIniValue(text, L"Install", L"DownloadUrl", value);
  const IniKeySpot spot = LocateIniKey(text, L"Install", L"DownloadUrl");
  if (found && !spot.keyFound) std::abort();
  if (spot.keyFound && (spot.lineBegin > spot.lineEnd || spot.lineEnd > text.size())) std::abort();
  if (spot.sectionFound && spot.sectionEnd > text.size()) std::abort();
  if (CopyIniValue(value, 260).size() >= 260) std::abort();

  // A plain value set in the text is what the reader then finds there.
  const std::wstring written = SetIniValue(text, L"Install", L"DownloadUrl", L"http://127.0.0.1/x");
  std::wstring readBack;
  if (!FindIniValue(written, L"Install", L"DownloadUrl", readBack) || readBack != L"http://127.0.0.1/x") std::abort();
  if (SetIniValue(written, L"Install", L"DownloadUrl", L"http://127.0.0.1/x") != written) std::abort();
  return 0;
}
