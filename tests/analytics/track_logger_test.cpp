// The track log on real files: records written and read back in pages, flattening of the
// JSON, clearing, and a path outside the ANSI code page.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "analytics/track_logger.h"
#include "tests/support/temp_dir.h"
#include "utils/text.h"

using usage::zelkor::NativeTrackLogger;
using usage::zelkor::TrackLogRecord;

namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

TEST(TrackLog, FlattensLineBreaksAndTabsOfTheJson) {
  struct Case {
    std::string json, flattened;
  };
  const Case cases[] = {
      {"{\"a\":1}", "{\"a\":1}"},
      {"{\"a\":\"x\r\ny\"}", "{\"a\":\"x y\"}"},
      {"{\"a\":\"x\n\ny\"}", "{\"a\":\"x  y\"}"},
      {"{\"a\":\"\tx\r\"}", "{\"a\":\" x\r\"}"},
  };
  for (const Case& c : cases) EXPECT_EQ(usage::zelkor::FlattenForTrackLog(c.json), c.flattened) << c.json;
}

TEST(TrackLog, RecordsAreReadBackInPagesFromAnyLine) {
  testsupport::TempDir dir;
  NativeTrackLogger logger;
  logger.open(Utf8(dir.WPath()) + "/" + Utf8(std::wstring(testsupport::kNameOutsideAnsiCodePage) + L".txt"));
  for (int i = 0; i < 5; ++i) logger.write(1700000000 + i, "Click", "{\"n\":" + std::to_string(i) + ",\"t\":\"a\tb\"}");

  std::vector<TrackLogRecord> page;
  logger.readRecords(page, 0, 2);
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0].time, "1700000000");
  EXPECT_EQ(page[0].event, "Click");
  EXPECT_EQ(page[0].properties, "{\"n\":0,\"t\":\"a b\"}");
  logger.readRecords(page, 2, 10);  // on from where the last read stopped
  ASSERT_EQ(page.size(), 3u);
  EXPECT_EQ(page[0].time, "1700000002");
  logger.readRecords(page, 1, 1);  // before the position: read again from the start
  ASSERT_EQ(page.size(), 1u);
  EXPECT_EQ(page[0].time, "1700000001");

  // A record written after a read goes to the end of the file.
  logger.write(1700000009, "View", "{}");
  logger.readRecords(page, 5, 10);
  ASSERT_EQ(page.size(), 1u);
  EXPECT_EQ(page[0].event, "View");
}

TEST(TrackLog, LinesWithFewerThanThreeFieldsAreSkipped) {
  testsupport::TempDir dir;
  const auto file = dir.Write("log.txt", "1\tClick\t{}\nbroken line\n2\tView\n3\tTask\t{\"a\":1}\textra\n");
  NativeTrackLogger logger;
  logger.open(Utf8(file.wstring()));
  std::vector<TrackLogRecord> records;
  logger.readRecords(records, 0, 100);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].event, "Click");
  EXPECT_EQ(records[1].event, "Task");
  EXPECT_EQ(records[1].properties, "{\"a\":1}");
}

TEST(TrackLog, ClearLeavesOneLineEndAndAClosedLog) {
  testsupport::TempDir dir;
  const auto file = dir.Path() / "log.txt";
  NativeTrackLogger logger;
  logger.open(Utf8(file.wstring()));
  logger.write(1, "Click", "{}");
  logger.clear();
  EXPECT_EQ(ReadAll(file), "\n");
  logger.write(2, "Click", "{}");  // closed: nothing is written
  EXPECT_EQ(ReadAll(file), "\n");
  std::vector<TrackLogRecord> records;
  logger.readRecords(records, 0, 10);
  EXPECT_TRUE(records.empty());
}

}  // namespace
