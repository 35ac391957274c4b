// Fuzz target of the image-description parser: any text. A description gives a file or
// nothing; the opacity stays in 0..255; the parse is the same every time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "toolkit/skin_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto image = SkinUI::ParseImageDescription(text);
  if (image) {
    if (image->file.empty() || image->fade < 0 || image->fade > 255) std::abort();
    const auto again = SkinUI::ParseImageDescription(text);
    if (!again || again->file != image->file || again->fade != image->fade) std::abort();
  }
  (void)SkinUI::ParseColour(text);
  (void)SkinUI::ParseRect(text);
  return 0;
}
