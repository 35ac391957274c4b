// Text conversions and string helpers.
#include <gtest/gtest.h>

#include "utils/text.h"

using Utils::ToNarrow;
using Utils::ToWide;

namespace {
const std::wstring kChinese = L"\x4F60\x597D\xFF0C\x4E16\x754C";  // 你好，世界
const std::string kChineseUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C";
const std::string kChineseGbk = "\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7";
}  // namespace

TEST(CodePages, Utf8AndGbkRoundTripChinese) {
  EXPECT_EQ(ToWide(kChineseUtf8, 65001), kChinese);
  EXPECT_EQ(ToNarrow(kChinese, 65001), kChineseUtf8);
  EXPECT_EQ(ToWide(kChineseGbk, 936), kChinese);
  EXPECT_EQ(ToNarrow(kChinese, 936), kChineseGbk);
  // A character outside the Basic Multilingual Plane (a surrogate pair in UTF-16).
  const std::wstring emoji = ToWide("\xF0\x9F\x98\x80", 65001);
  EXPECT_EQ(ToNarrow(emoji, 65001), "\xF0\x9F\x98\x80");
}

TEST(CodePages, AnsiCodePageRoundTripsAscii) {
  EXPECT_EQ(ToWide("C:\\Tavelo\\set.ini", 0), L"C:\\Tavelo\\set.ini");
  EXPECT_EQ(ToNarrow(L"C:\\Tavelo\\set.ini", 0), "C:\\Tavelo\\set.ini");
}

TEST(CodePages, FailuresGiveEmptyText) {
  const std::string invalidUtf8[] = {"\xC3", "\xFF\xFE", "\xC0\xAF", "\xED\xA0\x80", "a\x80z"};
  for (const std::string& bytes : invalidUtf8) EXPECT_EQ(ToWide(bytes, 65001), L"") << bytes.size();
  EXPECT_EQ(ToWide("\x81", 936), L"") << "a lead byte without its trail byte";
  EXPECT_EQ(ToNarrow(L"\x4F60", 1252), "") << "a character the code page cannot hold";
  EXPECT_EQ(ToWide("abc", 59999), L"") << "an unknown code page";
  EXPECT_EQ(ToWide("", 65001), L"");
  EXPECT_EQ(ToNarrow(L"", 936), "");
}

TEST(Trim, RemovesWhiteSpaceAtBothEnds) {
  EXPECT_EQ(Utils::Trim(L"  a b \t\r\n"), L"a b");
  EXPECT_EQ(Utils::Trim(L" \t "), L"");
  EXPECT_EQ(Utils::Trim(L""), L"");
  EXPECT_EQ(Utils::Trim(L"x"), L"x");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceAndTerminates) {
  EXPECT_EQ(Utils::ReplaceAll(L"a${ROUTE}b${ROUTE}", L"${ROUTE}", L"x"), L"axbx");
  EXPECT_EQ(Utils::ReplaceAll(L"aaa", L"a", L"aa"), L"aaaaaa") << "a replacement holding the pattern";
  EXPECT_EQ(Utils::ReplaceAll(L"abc", L"", L"x"), L"abc");
  EXPECT_EQ(Utils::ReplaceAll(L"abc", L"zz", L"x"), L"abc");
  EXPECT_EQ(Utils::ReplaceAll(L"\\n\\n", L"\\n", L"\n"), L"\n\n");
}
