// The track log file: append-only writes, paged reads that remember where they stopped, and
// a lock that is tried, never waited for, so a tracking thread is never held by another.
#include "analytics/track_logger.h"

#include <filesystem>


namespace usage::zelkor {
namespace {

// A path from UTF-8 text on every platform, whatever the C locale says.
std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

std::string FlattenForTrackLog(std::string json) {
  std::string flat;
  flat.reserve(json.size());
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '\r' && i + 1 < json.size() && json[i + 1] == '\n') {
      flat.push_back(' ');
      ++i;  // "\r\n" is one blank
    } else {
      flat.push_back(c == '\n' || c == '\t' ? ' ' : c);
    }
  }
  return flat;
}

NativeTrackLogger::~NativeTrackLogger() {
  std::lock_guard<std::mutex> hold(lock_);
  CloseLocked();
}

void NativeTrackLogger::CloseLocked() {
  if (stream_.is_open()) stream_.close();
  linePosition_ = -1;
}

void NativeTrackLogger::open(const std::string& path) {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || (!path.empty() && path == path_)) return;
  CloseLocked();
  linePosition_ = 0;
  readOffset_ = 0;
  const std::filesystem::path file = FsPath(path);
  { std::ofstream create(file, std::ios::app); }  // makes the file when it is missing
  stream_.open(file, std::ios::in | std::ios::out | std::ios::app | std::ios::binary);
  path_ = path;
}

void NativeTrackLogger::write(long long time, const std::string& event, const std::string& propertiesJson) {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || !stream_.is_open()) return;
  stream_.clear();  // a read that reached the end must not stop the write
  stream_ << time << '\t' << event << '\t' << FlattenForTrackLog(propertiesJson) << '\n';
  stream_.flush();
}

void NativeTrackLogger::readRecords(std::vector<TrackLogRecord>& out, int firstLine, int maxLines) {
  out.clear();
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || !stream_.is_open()) return;
  stream_.clear();
  if (firstLine < linePosition_ || linePosition_ < 0) {
    readOffset_ = 0;
    linePosition_ = 0;
  }
  stream_.seekg(readOffset_);
  std::string line;
  while (linePosition_ < firstLine && std::getline(stream_, line)) ++linePosition_;
  for (int read = 0; read < maxLines && std::getline(stream_, line); ++read) {
    ++linePosition_;
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() > 2) out.push_back({fields[0], fields[1], fields[2]});
  }
  stream_.clear();  // the end of the file is no error
  const std::streamoff at = stream_.tellg();
  if (at >= 0) readOffset_ = at;
}

void NativeTrackLogger::clear() {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock()) return;
  CloseLocked();
  std::ofstream truncate(FsPath(path_), std::ios::trunc | std::ios::binary);
  truncate << '\n';
}

void NativeTrackLogger::close() {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (hold.owns_lock()) CloseLocked();
}

}  // namespace usage::zelkor
