// The track log file: append-only writes, paged reads that remember where they stopped, and
// a lock that is tried, never waited for, so a tracking thread is never held by another.
#include "analytics/track_logger.h"

#include <cstdio>

#include "utils/text.h"

namespace usage::zelkor {
namespace {

// A file named by UTF-8 text on every platform, whatever the C locale says.
Utils::UniqueFile OpenUtf8(const std::string& path, const char* mode) {
  return Utils::OpenFile(Utils::ToWide(path, Utils::kCodePageUtf8), mode);
}

// The next line without its end of line; false at the end of the file.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = std::getc(file);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::getc(file)) line.push_back(static_cast<char>(c));
  return true;
}

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
  file_.reset();  // a log line that cannot be written is lost, nothing more
  linePosition_ = -1;
}

void NativeTrackLogger::open(const std::string& path) {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || (!path.empty() && path == path_)) return;
  CloseLocked();
  linePosition_ = 0;
  readOffset_ = 0;
  file_ = OpenUtf8(path, "a+b");  // made when missing; every write goes to the end
  path_ = path;
}

void NativeTrackLogger::write(long long time, const std::string& event, const std::string& propertiesJson) {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || !file_) return;
  const std::string line = std::to_string(time) + '\t' + event + '\t' + FlattenForTrackLog(propertiesJson) + '\n';
  // Between a read and a write the stream must be positioned; the write still goes to the end.
  std::fseek(file_.get(), 0, SEEK_END);
  // A line the disk refuses is lost with nothing else: the log is a diagnostic aid.
  (void)std::fwrite(line.data(), 1, line.size(), file_.get());
  (void)std::fflush(file_.get());
}

void NativeTrackLogger::readRecords(std::vector<TrackLogRecord>& out, int firstLine, int maxLines) {
  out.clear();
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock() || !file_) return;
  if (firstLine < linePosition_ || linePosition_ < 0) {
    readOffset_ = 0;
    linePosition_ = 0;
  }
  std::FILE* file = file_.get();
  std::clearerr(file);
  if (Utils::SeekFile(file, readOffset_) != 0) return;
  std::string line;
  while (linePosition_ < firstLine && ReadLine(file, line)) ++linePosition_;
  for (int read = 0; read < maxLines && ReadLine(file, line); ++read) {
    ++linePosition_;
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() > 2) out.push_back({fields[0], fields[1], fields[2]});
  }
  std::clearerr(file);  // the end of the file is no error
  const std::int64_t at = Utils::TellFile(file);
  if (at >= 0) readOffset_ = at;
}

void NativeTrackLogger::clear() {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (!hold.owns_lock()) return;
  CloseLocked();
  Utils::UniqueFile truncated = OpenUtf8(path_, "wb");
  // An empty file is as good as one with its end of line: nothing is read from either.
  if (truncated) (void)std::fputc('\n', truncated.get());
}

void NativeTrackLogger::close() {
  std::unique_lock<std::mutex> hold(lock_, std::try_to_lock);
  if (hold.owns_lock()) CloseLocked();
}

}  // namespace usage::zelkor
