// Reading and replacing the staging file.
#include "analytics/staging_file.h"

#include <cstdio>

#include "utils/file_ops.h"
#include "utils/text.h"

namespace usage_analytics {

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

bool IsObjectLine(std::string_view line) { return !line.empty() && line.front() == '{' && line.back() == '}'; }

std::wstring WidePath(const std::string& path) { return Utils::ToWide(path, Utils::kCodePageUtf8); }

bool WriteLines(Utils::UniqueFile& file, const std::deque<std::string>& records) {
  for (const std::string& record : records) {
    if (!IsStagingLine(record)) continue;  // would not read back as the same single record
    if (std::fwrite(record.data(), 1, record.size(), file.get()) != record.size()) return false;
    if (std::fputc('\n', file.get()) == EOF) return false;
  }
  return true;
}

}  // namespace

bool IsStagingLine(std::string_view line) { return IsObjectLine(line) && line.find('\n') == std::string_view::npos; }

void StagingParser::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    AppendToLine(bytes.substr(0, end));
    if (end == std::string_view::npos) return;
    EndLine();
    bytes.remove_prefix(end + 1);
  }
}

std::deque<std::string> StagingParser::Finish() {
  EndLine();
  return std::move(kept_);
}

void StagingParser::AppendToLine(std::string_view piece) {
  if (skipping_ || piece.empty()) return;
  if (line_.empty() && piece.front() != '{') {
    skipping_ = true;
    return;
  }
  line_.append(piece);
}

void StagingParser::EndLine() {
  if (!skipping_ && !line_.empty()) {
    if (line_.back() == '\r') line_.pop_back();
    if (room_ > 0 && IsObjectLine(line_)) {
      kept_.push_back(std::move(line_));
      if (kept_.size() > room_) kept_.pop_front();
    }
  }
  line_.clear();
  skipping_ = false;
}

std::deque<std::string> ParseStagingText(std::string_view text, std::size_t room) {
  StagingParser parser(room);
  parser.Feed(text);
  return parser.Finish();
}

std::deque<std::string> ReadStagingFile(const std::string& path, std::size_t room) {
  StagingParser parser(room);
  if (room == 0) return parser.Finish();
  Utils::UniqueFile file = Utils::OpenFile(WidePath(path), "rb");
  if (!file) return parser.Finish();
  std::string block(kReadBlock, '\0');
  std::size_t n = 0;
  while ((n = std::fread(block.data(), 1, block.size(), file.get())) > 0) parser.Feed(std::string_view(block.data(), n));
  // A read error ends the file early: what was read whole still counts.
  return parser.Finish();
}

std::string StagingTempPath(const std::string& path) { return path + ".tmp"; }

bool WriteStagingFile(const std::string& path, const std::deque<std::string>& records) {
  const std::wstring target = WidePath(path);
  const std::wstring temporary = WidePath(StagingTempPath(path));
  // Text mode: each record ends with the stream's line end, as the file always had.
  Utils::UniqueFile file = Utils::OpenFile(temporary, "w");
  if (!file) return false;
  const bool written = WriteLines(file, records);
  if (Utils::CloseFile(file) && written && Utils::MoveFileTo(temporary, target)) return true;
  Utils::DeleteFileAt(temporary);  // a leftover is harmless, the next write replaces it
  return false;
}

}  // namespace usage_analytics
