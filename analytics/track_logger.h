// The tracker's small track log: one line per tracked event ("time<TAB>event<TAB>json"),
// readable back in pages. Every operation gives way to a concurrent one instead of waiting.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "utils/file_ops.h"

namespace usage::zelkor {

struct TrackLogRecord {
  std::string time;
  std::string event;
  std::string properties;
};

class TrackLogger {
 public:
  virtual ~TrackLogger() = default;
  // The records of up to maxLines lines from line firstLine on (lines with fewer than three
  // fields are skipped).
  virtual void readRecords(std::vector<TrackLogRecord>& out, int firstLine, int maxLines) = 0;
  // Empties the file (one end of line stays) and closes it.
  virtual void clear() = 0;
};

class NativeTrackLogger : public TrackLogger {
 public:
  ~NativeTrackLogger() override;

  // Opens (creating it when missing) the file at path (UTF-8) for appending and reading.
  void open(const std::string& path);
  // Appends one record; line breaks and TABs of the JSON become blanks.
  void write(long long time, const std::string& event, const std::string& propertiesJson);
  void readRecords(std::vector<TrackLogRecord>& out, int firstLine, int maxLines) override;
  void clear() override;
  void close();

 private:
  void CloseLocked();

  std::string path_;
  Utils::UniqueFile file_;  // open for reading anywhere and appending
  std::mutex lock_;
  int linePosition_ = -1;  // lines read so far; -1 when there is no position
  std::int64_t readOffset_ = 0;  // where the next read starts (writes move the shared position)
};

// The JSON of a record as the log keeps it: "\r\n", then "\n", then TAB each become a blank.
std::string FlattenForTrackLog(std::string json);

}  // namespace usage::zelkor
