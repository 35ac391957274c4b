// Fuzz target of the skin-archive reader: any bytes as a 7z skin archive. An archive that
// opens holds at least one file, within the size limits, and finds every name it lists,
// written in either case and with either separator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "toolkit/skin_archive.h"

namespace {

// The name as a lookup of another spelling: ASCII upper case, "\" as separator.
std::wstring OtherSpelling(std::wstring name) {
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 0x20);
    if (c == L'/') c = L'\\';
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using SkinUI::SkinArchive;
  const std::optional<SkinArchive> skin = SkinArchive::Open({data, size});
  if (!skin) return 0;
  if (skin->Names().empty()) std::abort();
  std::size_t total = 0;  // over distinct files: names equal but for case find the first
  std::set<const std::vector<unsigned char>*> counted;
  for (const std::wstring& name : skin->Names()) {
    if (name.find(L'\\') != std::wstring::npos) std::abort();
    const auto* bytes = skin->Find(name);
    if (bytes == nullptr || bytes->size() > SkinArchive::kMaxFileBytes) std::abort();
    if (skin->Find(OtherSpelling(name)) == nullptr) std::abort();
    if (counted.insert(bytes).second) total += bytes->size();
  }
  if (total > SkinArchive::kMaxTotalBytes) std::abort();
  return 0;
}
