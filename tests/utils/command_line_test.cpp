// Command-line splitting with the Windows loader's rules.
#include <gtest/gtest.h>

#include "utils/command_line.h"

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, FollowsTheLoaderRules) {
  struct Case {
    std::wstring line;
    Args args;
  };
  const Case cases[] = {
      {L"prog", {L"prog"}},
      {L"", {L""}},
      {L"\"C:\\Program Files\\a.exe\" -x", {L"C:\\Program Files\\a.exe", L"-x"}},
      {L"C:\\a\\b.exe\\ x", {L"C:\\a\\b.exe\\", L"x"}},  // the program knows no escapes
      {L"p a   b\tc", {L"p", L"a", L"b", L"c"}},
      {L"p \"a b\" c", {L"p", L"a b", L"c"}},
      {L"p a\"b c\"d", {L"p", L"ab cd"}},
      {L"p \\\\\\\"a", {L"p", L"\\\"a"}},       // 3 backslashes + quote: one backslash, literal quote
      {L"p \\\\\"a b\"", {L"p", L"\\a b"}},     // 2 backslashes + quote: one backslash, quoting
      {L"p a\\\\b", {L"p", L"a\\\\b"}},         // backslashes without a quote stay
      {L"p \"\"", {L"p", L""}},
      {L"p \"a\"\"\"b\"", {L"p", L"a\"b"}},     // three quotes give a literal one
      {L"p \"-instcmd=/S /x\"", {L"p", L"-instcmd=/S /x"}},
      {L"p x ", {L"p", L"x"}},
      {L"p \"unterminated", {L"p", L"unterminated"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Utils::SplitCommandLine(c.line), c.args) << std::string(c.line.begin(), c.line.end());
}
