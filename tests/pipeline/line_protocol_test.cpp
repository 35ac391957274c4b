// The output line protocol: lines whole across reads, decoding per line, the keys of both
// runners, and what bad output gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pipeline/line_protocol.h"

using pipeline::LineProtocolReader;
using namespace std::string_literals;

namespace {

struct Event {
  int code;
  double value;
  std::wstring text;
  bool operator==(const Event&) const = default;
};

void PrintTo(const Event& e, std::ostream* out) {
  *out << "{" << e.code << ", " << e.value << ", \"";
  for (wchar_t c : e.text) {
    if (c >= 0x20 && c < 0x7F) *out << static_cast<char>(c);
    else *out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
  }
  *out << "\" (" << e.text.size() << " chars)}";
}

struct ReadResult {
  std::vector<Event> events;
  bool result = false;
  unsigned codePage = 0;
  pipeline::InstalledVersion version;
};

// Feeds the reads one after the other, then ends the output.
ReadResult Read(const pipeline::ProtocolTable& table, const std::vector<std::string>& reads) {
  ReadResult run;
  LineProtocolReader reader(table, [&run](int code, double value, const std::wstring& text) {
    run.events.push_back({code, value, text});
  });
  for (const std::string& bytes : reads) reader.Feed(bytes);
  reader.Finish();
  run.result = reader.HasResult();
  run.codePage = reader.CodePage();
  run.version = reader.Version();
  return run;
}

// "中文" in code page 936 and in UTF-8.
const std::string kGbk = "\xD6\xD0\xCE\xC4";
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::wstring kChinese = L"\u4E2D\u6587";

struct Case {
  const char* name;
  std::vector<std::string> reads;
  std::vector<Event> events;
  bool result = false;
  unsigned codePage = 0;
};

void ExpectCases(const pipeline::ProtocolTable& table, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReadResult run = Read(table, c.reads);
    EXPECT_EQ(run.events, c.events);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.codePage, c.codePage);
  }
}

}  // namespace

TEST(PackageProtocol, KeysValuesAndResults) {
  const std::string longValue(771, 'v');
  const std::string tooLong(772, 'v');
  ExpectCases(pipeline::PackageProtocol(), {
      {"two progress lines in one read", {"Progress=0.25\r\nProgress=0.5\r\n"}, {{2002, 0.25, L""}, {2002, 0.5, L""}}},
      {"progress without a number", {"Progress=\nProgress=abc\nProgress=1e999\nProgress= 0.75x\n"},
       {{2002, 0.0, L""}, {2002, 0.0, L""}, {2002, 0.0, L""}, {2002, 0.75, L""}}},
      {"state success among blanks", {"State=  Success \r\n"}, {{2003, 0.0, L""}}, true},
      {"state compared with case", {"State=success\nState=Done\n"}, {}, false},
      {"state fail", {"State=Fail\n"}, {{2004, 0.0, L"安装包安装失败"}}, true},
      {"error with its text", {"Error=disk full\n"}, {{2004, 1000.0, L"disk full"}}, true},
      {"every line after a result is handled", {"State=Success\nMessage=done\n"},
       {{2003, 0.0, L""}, {3009, 0.0, L"done"}}, true},
      {"paths keep their carriage return and blanks", {"ExePath= C:\\p\\t.exe\r\nInstPath=C:\\p\r\n"},
       {{3001, 0.0, L" C:\\p\\t.exe\r"}, {3000, 0.0, L"C:\\p\r"}}},
      {"the text keys", {"StartExe=a\nUninstExePath=b\nUninstExe=c\nUninstEp=d\nStartUrl=e\nMessage=f\n"},
       {{3001, 0.0, L"a"}, {3002, 0.0, L"b"}, {3002, 0.0, L"c"}, {3003, 0.0, L"d"}, {3004, 0.0, L"e"},
        {3009, 0.0, L"f"}}},
      {"a key with nothing after it", {"InstPath=\n"}, {{3000, 0.0, L""}}},
      {"startup styles", {"StartupStyle=UserStartup\nStartupStyle= AutoStartup\r\nStartupStyle=NonStartup\nStartupStyle=x\n"},
       {{3005, 2.0, L""}, {3005, 1.0, L""}, {3005, 0.0, L""}, {3005, 0.0, L""}}},
      {"detentions as unsigned 32-bit numbers",
       {"TopShowDetention=5\nTopShowDetention=-1\nFinsihCloseDetention=99999999999\nFinsihCloseDetention=x\n"},
       {{3007, 5.0, L""}, {3007, 4294967295.0, L""}, {3008, 2147483647.0, L""}, {3008, 0.0, L""}}},
      {"keys are exact", {"progress=0.5\nFinishCloseDetention=3\n Progress=0.5\nMessage\n"}, {}},
      {"a value of 771 characters", {"Message=" + longValue + "\n"}, {{3009, 0.0, std::wstring(771, L'v')}}},
      {"a value of 772 characters is empty", {"Message=" + tooLong + "\n"}, {{3009, 0.0, L""}}},
      {"a line of 1 MiB", {"Message=" + std::string(1 << 20, 'x') + "\nProgress=0.5\n"},
       {{3009, 0.0, L""}, {2002, 0.5, L""}}},
      {"a NUL ends the line's text", {"Message=ab\0cd\n"s, "\0\0\n"s}, {{3009, 0.0, L"ab"}}},
      {"garbage is ignored", {"\xFF\xFE\x01garbage\n\n\r\n=\nState\n"}, {}},
  });
}

// A line that arrives in several reads is handled once and whole.
TEST(PackageProtocol, LinesAreJoinedAcrossReads) {
  ExpectCases(pipeline::PackageProtocol(), {
      {"progress split after its key", {"Progress=", "0.75\n"}, {{2002, 0.75, L""}}},
      {"error split after its first bytes", {"Err", "or=disk", " full\n"}, {{2004, 1000.0, L"disk full"}}, true},
      {"state split", {"Sta", "te=Fa", "il\r\n"}, {{2004, 0.0, L"安装包安装失败"}}, true},
      {"a path split in two", {"InstPath=C:\\Program", " Files\\Tavelo\n"}, {{3000, 0.0, L"C:\\Program Files\\Tavelo"}}},
      {"a last line without a line feed", {"Progress=0.5\nState=Success"}, {{2002, 0.5, L""}, {2003, 0.0, L""}}, true},
      {"a character split between reads", {"Encode=UTF8\nMessage=" + kUtf8.substr(0, 2), kUtf8.substr(2) + "\n"},
       {{3009, 0.0, kChinese}}, false, 65001},
  });
  // Every way of cutting one output into reads gives the same events.
  const std::string output = "Progress=0.1\r\nEncode=936\nMessage=" + kGbk + "\r\nInstPath=C:\\a b\nState=Success\n";
  const ReadResult whole = Read(pipeline::PackageProtocol(), {output});
  ASSERT_EQ(whole.events.size(), 4u);
  for (std::size_t size = 1; size < output.size(); ++size) {
    std::vector<std::string> reads;
    for (std::size_t at = 0; at < output.size(); at += size) reads.push_back(output.substr(at, size));
    EXPECT_EQ(Read(pipeline::PackageProtocol(), reads).events, whole.events) << "reads of " << size << " bytes";
  }
}

TEST(PackageProtocol, EncodeAppliesToTheLinesAfterIt) {
  ExpectCases(pipeline::PackageProtocol(), {
      {"code page 936 in the same read", {"Encode=936\nMessage=" + kGbk + "\n"}, {{3009, 0.0, kChinese}}, false, 936},
      {"UTF-8", {"Encode= UTF8 \r\nMessage=" + kUtf8 + "\n"}, {{3009, 0.0, kChinese}}, false, 65001},
      {"invalid UTF-8 is ignored", {"Encode=UTF8\nMessage=\xC3\x28\xFF\nMessage=ok\n"}, {{3009, 0.0, L"ok"}}, false, 65001},
      {"back to the ANSI code page", {"Encode=UTF8\nEncode=ACP\n"}, {}, false, 0},
      {"a number with trailing text", {"Encode=936abc\n"}, {}, false, 936},
      {"no number", {"Encode=UTF16\n"}, {}, false, 0},
      // No code page has that number: every following line is ignored, nothing fails.
      {"a huge number", {"Encode=99999999999999\nState=Success\n"}, {}, false, 2147483647},
  });
}

TEST(PackageProtocol, InstalledVersionIsKeptWithoutAnEvent) {
  const ReadResult run = Read(pipeline::PackageProtocol(), {"InstallVersion=1.20.3\r\n"});
  EXPECT_TRUE(run.events.empty());
  EXPECT_EQ(run.version.major, 1);
  EXPECT_EQ(run.version.minor, 20);
  EXPECT_EQ(run.version.patch, 3);
  const ReadResult partial = Read(pipeline::PackageProtocol(), {"InstallVersion=4.x.9\n"});
  EXPECT_EQ(partial.version.major, 4);
  EXPECT_EQ(partial.version.minor, 0) << "reading stops at the first part that is no number";
  EXPECT_EQ(partial.version.patch, 0);
}

TEST(PackageProtocol, ResetForgetsTheResultAndKeepsTheCodePage) {
  std::vector<Event> events;
  LineProtocolReader reader(pipeline::PackageProtocol(), [&](int code, double value, const std::wstring& text) {
    events.push_back({code, value, text});
  });
  reader.Feed("Encode=UTF8\nState=Success\nMessage=unfinished");
  ASSERT_TRUE(reader.HasResult());
  reader.Reset();
  EXPECT_FALSE(reader.HasResult());
  EXPECT_EQ(reader.CodePage(), 65001u);
  reader.Feed("Message=" + kUtf8 + "\n");
  reader.Finish();
  EXPECT_EQ(events, (std::vector<Event>{{2003, 0.0, L""}, {3009, 0.0, kChinese}})) << "the unfinished line is gone";
}

TEST(UninstallerProtocol, FourKeysAndItsOwnCodes) {
  ExpectCases(pipeline::UninstallerProtocol(), {
      {"progress", {"Progress=0.5\n"}, {{5002, 0.5, L""}}},
      {"error, then success", {"Error=locked\nState=Success\n"}, {{5005, 0.0, L"locked"}, {5003, 0.0, L""}}, true},
      {"fail", {"State= Fail\r\n"}, {{5005, 0.0, L"安装包卸载失败"}}, true},
      {"UTF-8 error text", {"Encode=UTF8\nError=" + kUtf8 + "\n"}, {{5005, 0.0, kChinese}}, true, 65001},
      {"ACP and numbers are the ANSI code page", {"Encode=UTF8\nEncode=936\n"}, {}, false, 0},
      {"the package's other keys are ignored", {"Message=m\nInstPath=p\nStartupStyle=AutoStartup\n"}, {}},
      {"an error split across reads", {"Erro", "r=in use\n"}, {{5005, 0.0, L"in use"}}, true},
  });
}
