// Fuzz target of the staging-file reader: any bytes as a staging file. Every kept line must
// be a whole object line, at most the queue's size of them are kept, pieces of any size read
// the same as the whole file, and a smaller room keeps the newest of the same lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>

#include "analytics/record_queue.h"
#include "analytics/staging_file.h"

namespace {

using Lines = std::deque<std::string>;

Lines ReadInPieces(std::string_view text, std::size_t room, std::size_t piece) {
  usage_analytics::StagingParser parser(room);
  for (std::size_t at = 0; at < text.size(); at += piece) parser.Feed(text.substr(at, piece));
  return parser.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the size of the pieces and a small room.
  const std::size_t piece = 1 + (data[0] & 15);
  const std::size_t smallRoom = data[0] >> 4;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  constexpr std::size_t kRoom = usage_analytics::Consumer::kMaxRecords;

  const Lines whole = usage_analytics::ParseStagingText(text, kRoom);
  if (whole.size() > kRoom) std::abort();
  for (const std::string& line : whole) {
    if (line.empty() || line.front() != '{' || line.back() != '}') std::abort();
  }
  if (ReadInPieces(text, kRoom, piece) != whole) std::abort();
  // The newest lines of the file are the last ones of the whole read.
  const Lines newest = usage_analytics::ParseStagingText(text, smallRoom);
  const std::size_t expected = std::min(whole.size(), smallRoom);
  if (newest.size() != expected || !std::equal(newest.begin(), newest.end(), whole.end() - static_cast<std::ptrdiff_t>(expected))) {
    std::abort();
  }
  return 0;
}
