// ChildProcess: real children, real pipes.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/probe_runner.h"
#include "utils/child_process.h"
#include "utils/exception.h"

using testsupport::ProbeCommand;
using testsupport::RunCommandLine;

TEST(ChildProcess, ReadsEverythingWrittenJustBeforeExit) {
  const auto result = RunCommandLine(ProbeCommand() + L" write 300000 7");
  EXPECT_EQ(result.exitCode, 7u);
  ASSERT_EQ(result.output.size(), 300000u);
  for (std::size_t i = 0; i < result.output.size(); i += 4999) ASSERT_EQ(result.output[i], 'a' + i % 26) << i;
}

TEST(ChildProcess, OutputEndsOnlyWhenTheGrandchildClosesIt) {
  const auto result = RunCommandLine(ProbeCommand() + L" grandchild 400");
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.output, "parent\nlate\n");
}

TEST(ChildProcess, ExitCodeOnlyAfterTheChildEnds) {
  Utils::ChildProcess child;
  child.Start(ProbeCommand() + L" sleep 300 5");
  std::uint32_t code = 0;
  EXPECT_FALSE(child.TryGetExitCode(code));
  EXPECT_NE(child.ProcessId(), 0u);
  char block[16];
  EXPECT_EQ(child.ReadOutput(block, sizeof(block)), 0u);  // no output: ends with the child
  EXPECT_EQ(child.WaitForExit(), 5u);
  ASSERT_TRUE(child.TryGetExitCode(code));
  EXPECT_EQ(code, 5u);
}

TEST(ChildProcess, CommandLineOf1023CharactersStartsAnd1024IsRefused) {
  const std::wstring head = ProbeCommand() + L" args ";
  ASSERT_LT(head.size(), 1000u);
  const std::wstring at1023 = head + std::wstring(1023 - head.size(), L'x');
  ASSERT_EQ(at1023.size(), 1023u);
  const auto result = RunCommandLine(at1023);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.output, "[" + std::string(1023 - head.size(), 'x') + "]\n");

  Utils::ChildProcess child;
  EXPECT_THROW(child.Start(at1023 + L"x"), Utils::Exception);
}

// The text of the exception a start throws; "" when it throws none.
std::string StartFailure(Utils::ChildProcess& child, const std::wstring& commandLine) {
  try {
    child.Start(commandLine);
  } catch (const Utils::Exception& e) {
    return e.what();
  }
  return {};
}

TEST(ChildProcess, MissingProgramThrowsAndASecondStartIsRefused) {
  // Each refusal says why: a system call's failure names the call and its error code.
  Utils::ChildProcess missing;
  const std::string notFound = StartFailure(missing, L"\"" + testsupport::ProgramPath(L"no-such-program") + L"\" x");
  EXPECT_NE(notFound.find(" failed: error "), std::string::npos) << notFound;
  Utils::ChildProcess empty;
  EXPECT_FALSE(StartFailure(empty, L"").empty());

  Utils::ChildProcess child;
  child.Start(ProbeCommand() + L" sleep 0 0");
  EXPECT_EQ(StartFailure(child, ProbeCommand() + L" sleep 0 0"), "the child was started already");
  EXPECT_EQ(child.WaitForExit(), 0u);
}

TEST(ChildProcess, ArgumentsArriveAsTheWindowsLoaderSplitsThem) {
  struct Case {
    const wchar_t* arguments;
    const char* printed;
  };
  const Case cases[] = {
      {L"a b", "[a]\n[b]\n"},
      {L"\"-instcmd=/S /x\"", "[-instcmd=/S /x]\n"},
      {L"-instcmd=/S /x", "[-instcmd=/S]\n[/x]\n"},
      {L"\"a\\\"b\"", "[a\"b]\n"},
      {L"a\\\\\"b c\"", "[a\\b c]\n"},
      {L"\"\" x", "[]\n[x]\n"},
  };
  for (const Case& c : cases) {
    const auto result = RunCommandLine(ProbeCommand() + L" args " + c.arguments);
    EXPECT_EQ(result.output, c.printed) << std::string(c.arguments, c.arguments + wcslen(c.arguments));
  }
  // Non-ASCII text survives the trip (printed as UTF-8).
  const auto chinese = RunCommandLine(ProbeCommand() + L" args \x4E2D\x6587");
  EXPECT_EQ(chinese.output, "[\xE4\xB8\xAD\xE6\x96\x87]\n");
}
