// System facts: the version table, identifiers and the queries that both builds can answer.
#include <gtest/gtest.h>

#include <cwctype>
#include <set>

#include "utils/system_facts.h"

TEST(WindowsVersionText, TableOfVersions) {
  struct Case {
    std::uint32_t major, minor, build;
    bool r2;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, 0, 0, false, L"XP-"},     {4, 90, 0, false, L"XP-"},       {5, 0, 2195, false, L"2K"},
      {5, 1, 2600, false, L"XP"},   {5, 2, 3790, false, L"Server 2003"}, {5, 2, 3790, true, L"Server 2003 R2"},
      {5, 3, 0, false, L"XP+"},     {6, 0, 6002, false, L"Vista"},   {6, 1, 7601, false, L"7"},
      {6, 2, 9200, false, L"8"},    {6, 3, 9600, false, L"8.1"},     {6, 4, 0, false, L"8.1+"},
      {10, 0, 22631, false, L"10"}, {10, 1, 0, false, L"10+"},       {11, 0, 26100, false, L"11.0.26100"},
      {7, 2, 5, false, L"7.2.5"},   {6, 1, 7601, true, L"7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utils::WindowsVersionTextFor(c.major, c.minor, c.build, c.r2), c.text) << c.major << "." << c.minor;
  }
}

TEST(GuidText, UpperCaseExceptTheThirdGroup) {
  const Utils::GuidFields guid{0xABCDEF01, 0xA1B2, 0xC3D4, {0xE5, 0xF6, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
  EXPECT_EQ(Utils::FormatGuidText(guid), L"ABCDEF01A1B2c3d4E5F60A1B2C3D4E5F");
  const Utils::GuidFields small{0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 9}};
  EXPECT_EQ(Utils::FormatGuidText(small), L"00000001000200030000000000000009");
}

TEST(GuidText, FreshIdentifiersAreDistinctAndWellFormed) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 100; ++i) {
    const std::wstring text = Utils::NewGuidText();
    ASSERT_EQ(text.size(), 32u);
    for (std::size_t k = 0; k < text.size(); ++k) {
      const wchar_t c = text[k];
      ASSERT_TRUE(std::iswxdigit(static_cast<wint_t>(c)));
      const bool thirdGroup = k >= 12 && k < 16;
      if (std::iswalpha(static_cast<wint_t>(c))) ASSERT_EQ(thirdGroup, std::iswlower(static_cast<wint_t>(c)) != 0) << k;
    }
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(SystemFacts, TheWindowsVersionIsNamed) {
  std::wstring os, version;
  Utils::GetWindowsVersionText(os, version);
  EXPECT_EQ(os, L"Windows");
  EXPECT_FALSE(version.empty());
}

TEST(SystemFacts, UnknownAccountIsNoAdministrator) {
  EXPECT_FALSE(Utils::IsAdminAccount(L"no-such-user-4711"));
  EXPECT_FALSE(Utils::IsAdminAccount(L""));
  std::wstring user = L"unchanged";
  if (!Utils::GetConsoleUserName(user)) EXPECT_EQ(user, L"unchanged") << "a failed query leaves the text alone";
}
