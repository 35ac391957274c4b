// Log lines as a child process writes them, checked field by field.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <set>

#include "tests/support/log_line.h"
#include "tests/support/probe_runner.h"

using testsupport::CaptureLog;
using testsupport::LogLine;
using testsupport::ParseLogLine;
using testsupport::ProbeCommand;

TEST(LogLine, BothFormsCarryEveryPrefixField) {
  const std::time_t before = std::time(nullptr);
  const auto captured = CaptureLog(ProbeCommand() + L" log hello");
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(captured.exitCode, 0u);
  ASSERT_EQ(captured.lines.size(), 2u);

  const LogLine first = ParseLogLine(captured.lines[0]);
  ASSERT_TRUE(first.ok) << std::string(captured.lines[0].begin(), captured.lines[0].end());
  EXPECT_EQ(first.processId, captured.processId);
  EXPECT_NE(first.threadId, 0u);
  EXPECT_EQ(first.function, L"ProbeMain");
  EXPECT_EQ(first.message, L"hello\r\n");  // line-end form appends CR LF

  const LogLine second = ParseLogLine(captured.lines[1]);
  ASSERT_TRUE(second.ok);
  EXPECT_EQ(second.message, L"plain hello 49%\r\n");  // "%%" prints one percent sign
  EXPECT_EQ(second.line, first.line + 1);
  EXPECT_EQ(second.threadId, first.threadId);

  // The stamp is the local wall-clock time of the run.
  std::tm local{};
  const std::time_t stamp = before;
  local = *std::localtime(&stamp);
  EXPECT_GE(first.year, local.tm_year + 1900);
  EXPECT_GE(first.month, 1);
  EXPECT_LE(first.month, 12);
  EXPECT_LE(first.hour, 23);
  EXPECT_LE(first.millisecond, 999);
  std::tm parsed{};
  parsed.tm_year = first.year - 1900;
  parsed.tm_mon = first.month - 1;
  parsed.tm_mday = first.day;
  parsed.tm_hour = first.hour;
  parsed.tm_min = first.minute;
  parsed.tm_sec = first.second;
  parsed.tm_isdst = -1;
  const std::time_t when = std::mktime(&parsed);
  EXPECT_GE(when, before - 1);
  EXPECT_LE(when, after + 1);
}

TEST(LogLine, NumbersArePaddedToTheirMinimumWidths) {
  const auto captured = CaptureLog(ProbeCommand() + L" log x");
  ASSERT_FALSE(captured.lines.empty());
  const std::wstring& raw = captured.lines[0];
  // "<P" 5+ digits "><T" 5+ digits "><" yyyy-mm-dd hh:mm:ss.mmm ">(" ... ")<" 4+ digits ">: "
  const LogLine l = ParseLogLine(raw);
  ASSERT_TRUE(l.ok);
  const std::size_t date = raw.find(L"><", raw.find(L"<T")) + 2;
  EXPECT_EQ(raw[date + 4], L'-');
  EXPECT_EQ(raw[date + 10], L' ');
  EXPECT_EQ(raw[date + 19], L'.');
  EXPECT_EQ(raw.substr(date + 23, 2), L">(");
  // The probe's log call sits below line 1000, so its number is zero-padded.
  ASSERT_LT(l.line, 1000);
  wchar_t expected[16];
  swprintf(expected, 16, L")<%04d>: ", l.line);
  EXPECT_NE(raw.find(expected), std::wstring::npos);
  EXPECT_EQ(raw.find(expected), raw.find(L")<0"));
}

TEST(LogLine, ConcurrentThreadsWriteWholeLinesWithTheirOwnIds) {
  const auto captured = CaptureLog(ProbeCommand() + L" log-threads 4 200");
  ASSERT_EQ(captured.lines.size(), 800u);
  std::map<unsigned long, std::set<std::wstring>> byThread;
  for (const std::wstring& raw : captured.lines) {
    const LogLine l = ParseLogLine(raw);
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.message.substr(l.message.size() - 2), L"\r\n");
    ASSERT_EQ(l.message.rfind(L"worker ", 0), 0u);
    EXPECT_NE(l.function.find(L"::<lambda"), std::wstring::npos) << "a lambda carries its full name";
    byThread[l.threadId].insert(l.message.substr(0, l.message.find(L" line")));
  }
  // Four threads, and every line of a thread names the same worker.
  ASSERT_EQ(byThread.size(), 4u);
  for (const auto& [id, workers] : byThread) EXPECT_EQ(workers.size(), 1u);
}
