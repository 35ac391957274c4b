// The staging file that keeps queued analytics records between runs: plain text, one JSON
// object a line, oldest first. Reading keeps only whole object lines; writing replaces the
// file through a temporary file beside it, so a crash leaves the old or the new content.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace usage_analytics {

// True for a line that can stand in the file as one record: it begins with "{", ends with
// "}" and holds no line feed.
bool IsStagingLine(std::string_view line);

// Reads staging-file text in pieces of any size. A line ends at "\n" (one "\r" before it is
// dropped); a last line without one counts too. Only the newest `room` lines that begin with
// "{" and end with "}" are kept, in file order; other lines are skipped without being kept
// in memory.
class StagingParser {
 public:
  explicit StagingParser(std::size_t room) : room_(room) {}
  void Feed(std::string_view bytes);
  // Ends the last line and hands over the kept lines.
  std::deque<std::string> Finish();

 private:
  void AppendToLine(std::string_view piece);
  void EndLine();

  std::size_t room_;
  std::string line_;
  bool skipping_ = false;  // the current line is already known not to be a record
  std::deque<std::string> kept_;
};

// The records of a whole staging-file text (StagingParser in one piece).
std::deque<std::string> ParseStagingText(std::string_view text, std::size_t room);

// The records of the staging file at a UTF-8 path; none when it is missing or unreadable.
std::deque<std::string> ReadStagingFile(const std::string& path, std::size_t room);

// Where the new content is written before it replaces the staging file.
std::string StagingTempPath(const std::string& path);

// Replaces the staging file with the records that are staging lines (IsStagingLine), each
// followed by the stream's line end. False when the file could not be replaced; the old
// content then stays as it was.
bool WriteStagingFile(const std::string& path, const std::deque<std::string>& records);

}  // namespace usage_analytics
