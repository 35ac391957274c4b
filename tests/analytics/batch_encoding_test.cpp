// The pieces of a record batch's way out and back in: Base64, URL-encoding and gzip of the
// POST body, and the reading and writing of the staging file.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "analytics/batch_sender.h"
#include "analytics/staging_file.h"
#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace {

using usage_analytics::Base64Encode;
using usage_analytics::BuildBatchBody;
using usage_analytics::GzipCompress;
using usage_analytics::ParseStagingText;
using usage_analytics::StagingParser;
using usage_analytics::UrlEncode;
using Lines = std::deque<std::string>;

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string bytes;
  for (const unsigned v : values) bytes += static_cast<char>(v);
  return bytes;
}

TEST(BatchEncoding, Base64Table) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {Bytes({0xFB, 0xFF}), "+/8="},
      {Bytes({0, 0, 0}), "AAAA"},
      {Bytes({0xFF, 0xFF, 0xFF, 0xFE}), "/////g=="},
      {"\xE4\xB8\xAD\xE6\x96\x87", "5Lit5paH"},  // two Chinese characters in UTF-8
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(in), out) << in;
}

TEST(BatchEncoding, UrlEncodingTable) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"AZaz09-._~", "AZaz09-._~"},
      {"+/=", "%2B%2F%3D"},
      {"a b&c%", "a%20b%26c%25"},
      {std::string(1, '\0'), "%00"},
      {Bytes({0x7F, 0x80, 0xFF}), "%7F%80%FF"},
      {"\xE4\xB8\xAD", "%E4%B8%AD"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(UrlEncode(in), out) << in;
}

TEST(BatchEncoding, UrlEncodingAgreesWithLibcurlOnEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  char* escaped = curl_easy_escape(nullptr, all.data(), static_cast<int>(all.size()));
  ASSERT_NE(escaped, nullptr);
  const std::string expected(escaped);
  curl_free(escaped);
  EXPECT_EQ(UrlEncode(all), expected);
}

// zlib's own inflate, taking the gzip wrapper only; false unless the stream ends exactly at
// the end of the input.
bool Gunzip(const std::string& in, std::string& out) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + 15) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  stream.avail_in = static_cast<uInt>(in.size());
  int rc = Z_OK;
  char chunk[4096];
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    rc = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof(chunk) - stream.avail_out);
  }
  const bool whole = rc == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return whole;
}

TEST(BatchEncoding, GzipRoundTrip) {
  std::mt19937 random(7);
  std::string noise(200 * 1024, '\0');  // incompressible: the output spans several chunks
  for (char& c : noise) c = static_cast<char>(random());
  std::string repeated;
  for (int i = 0; i < 20000; ++i) repeated += "{\"event\":\"click\",\"n\":" + std::to_string(i % 7) + "},";
  const std::string cases[] = {"", "[]", "[{\"text\":\"\xE4\xB8\xAD\xE6\x96\x87\"}]", repeated, noise};
  for (const std::string& text : cases) {
    const std::optional<std::string> gz = GzipCompress(text);
    ASSERT_TRUE(gz.has_value());
    ASSERT_GE(gz->size(), 18u);
    EXPECT_EQ(gz->substr(0, 3), Bytes({0x1F, 0x8B, 0x08})) << "gzip member, deflate method";
    EXPECT_EQ(static_cast<unsigned char>((*gz)[8]), 2u) << "the header marks the strongest compression";
    std::string back;
    EXPECT_TRUE(Gunzip(*gz, back));
    EXPECT_TRUE(back == text) << "round trip of " << text.size() << " bytes";
  }
  EXPECT_GT(GzipCompress(noise)->size(), 32768u);
}

TEST(BatchEncoding, BodyIsAFormOfEscapedBase64) {
  const std::optional<std::string> body = BuildBatchBody("[{\"a\":\"\xE4\xB8\xAD\",\"b\":\"+/=\"}]");
  ASSERT_TRUE(body.has_value());
  // Base64's "+", "/" and "=" are the only characters that need escapes.
  EXPECT_TRUE(std::regex_match(*body, std::regex("data_list=([A-Za-z0-9]|%2B|%2F|%3D)+&gzip=1"))) << *body;
}

struct StagingCase {
  const char* name;
  std::string text;
  std::size_t room;
  Lines kept;
};

TEST(StagingText, KeepsTheNewestWholeObjectLines) {
  const std::string huge(3 * 1024 * 1024, 'x');
  const std::string bigObject = "{\"big\":\"" + std::string(300 * 1024, 'y') + "\"}";
  const StagingCase cases[] = {
      {"empty", "", 1024, {}},
      {"objects", "{\"a\":1}\n{\"b\":2}\n", 1024, {"{\"a\":1}", "{\"b\":2}"}},
      {"last line without line end", "{\"a\":1}\n{\"b\":2}", 1024, {"{\"a\":1}", "{\"b\":2}"}},
      {"truncated last line", "{\"a\":1}\n{\"b\":", 1024, {"{\"a\":1}"}},
      {"CR LF", "{\"a\":1}\r\n{\"b\":2}\r\n", 1024, {"{\"a\":1}", "{\"b\":2}"}},
      {"plain words and garbage", "plain words\n\x01\xFF garbage\n{\"a\":1}\n\n\n", 1024, {"{\"a\":1}"}},
      {"not at the line's ends", " {\"a\":1}\n{\"a\":1} \n{\"a\":1}x\n[{\"a\":1}]\n{}\n", 1024, {"{}"}},
      {"lone braces", "{\n}\n{}\n", 1024, {"{}"}},
      {"huge lines", huge + "\n" + bigObject + "\n{" + huge + "\n", 1024, {bigObject}},
      {"room keeps the newest", "{1}\nno\n{2}\n{3}\n{4}\n", 2, {"{3}", "{4}"}},
      {"no room", "{1}\n{2}\n", 0, {}},
  };
  for (const StagingCase& c : cases) {
    EXPECT_EQ(ParseStagingText(c.text, c.room), c.kept) << c.name;
    // Pieces of any size read the same as the whole text.
    for (const std::size_t piece : {1u, 2u, 7u, 4096u}) {
      if (c.text.size() > 100000 && piece < 4096) continue;  // the big case once is enough
      StagingParser parser(c.room);
      for (std::size_t at = 0; at < c.text.size(); at += piece) parser.Feed(std::string_view(c.text).substr(at, piece));
      EXPECT_EQ(parser.Finish(), c.kept) << c.name << " in pieces of " << piece;
    }
  }
}

TEST(StagingFile, WritesWholeRecordLinesAndReadsThemBack) {
  testsupport::TempDir dir;
  const std::wstring wide = Utils::JoinPath(dir.WPath(), std::wstring(testsupport::kNameOutsideAnsiCodePage) + L".txt");
  const std::string path = Utils::ToNarrow(wide, Utils::kCodePageUtf8);
  const Lines records = {"{\"a\":\"\xE4\xB8\xAD\"}", "{\"split\":\"x\ny\"}", "[1]", "{\"cr\":\"x\ry\"}", "{}"};
  ASSERT_TRUE(usage_analytics::WriteStagingFile(path, records));
  // A record that would not read back as itself on one line stays out of the file.
  EXPECT_EQ(usage_analytics::ReadStagingFile(path, 1024), (Lines{records[0], records[3], records[4]}));
  EXPECT_EQ(usage_analytics::ReadStagingFile(path, 1), (Lines{records[4]}));
  EXPECT_FALSE(std::filesystem::exists(testsupport::FsPath(wide + L".tmp"))) << "the temporary file was renamed";
  ASSERT_TRUE(usage_analytics::WriteStagingFile(path, {}));
  EXPECT_EQ(std::filesystem::file_size(testsupport::FsPath(wide)), 0u);
  EXPECT_TRUE(usage_analytics::ReadStagingFile(Utils::ToNarrow(wide + L".missing", Utils::kCodePageUtf8), 1024).empty());
}

}  // namespace
