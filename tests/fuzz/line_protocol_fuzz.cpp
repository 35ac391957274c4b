// Fuzz target of the output line protocol: any bytes, read in pieces of any size, by either
// runner's table. Besides crashes it checks that the pieces make no difference: the events
// of the output read in pieces are those of the output read whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "pipeline/line_protocol.h"

namespace {

using Events = std::vector<std::tuple<int, double, std::wstring>>;

Events ReadAll(const pipeline::ProtocolTable& table, std::string_view output, std::size_t piece) {
  Events events;
  pipeline::LineProtocolReader reader(table, [&events](int code, double value, const std::wstring& text) {
    events.emplace_back(code, value, text);
  });
  for (std::size_t at = 0; at < output.size(); at += piece) reader.Feed(output.substr(at, piece));
  reader.Finish();
  return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the table and the size of the pieces.
  const pipeline::ProtocolTable& table =
      (data[0] & 1) != 0 ? pipeline::UninstallerProtocol() : pipeline::PackageProtocol();
  const std::size_t piece = 1 + (data[0] >> 1);
  const std::string_view output(reinterpret_cast<const char*>(data + 1), size - 1);
  const Events whole = ReadAll(table, output, output.size() + 1);
  const Events pieces = ReadAll(table, output, piece);
  // NaN never compares equal; the reader sends none, so an unequal pair is a real fault.
  if (whole != pieces) std::abort();
  return 0;
}
