// Single-instance guard within one process and across real processes.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/probe_runner.h"
#include "utils/child_process.h"
#include "utils/single_instance.h"

namespace {
std::wstring UniqueBase() {
  std::random_device random;
  return L"Installer_Test" + std::to_wstring(random());
}

// Starts a probe that takes the guard and holds it; returns once it reported.
std::string StartHolder(Utils::ChildProcess& child, const std::wstring& base, const wchar_t* extra) {
  child.Start(testsupport::ProbeCommand() + L" lock " + base + extra);
  std::string line;
  char c = 0;
  while (child.ReadOutput(&c, 1) == 1 && c != '\n') line.push_back(c);
  return line;
}
}  // namespace

TEST(SingleInstanceGuard, NameCarriesTheFixedPrefix) {
  EXPECT_EQ(Utils::SingleInstanceGuard(L"Installer_Tavelo").Name(), L"D1A547DB89C0BC61_Installer_Tavelo");
}

TEST(SingleInstanceGuard, SecondHolderIsRefusedUntilRelease) {
  const std::wstring base = UniqueBase();
  Utils::SingleInstanceGuard first(base), second(base);
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(first.Acquire()) << "acquiring a held guard again keeps it";
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_TRUE(second.Acquire());
}

TEST(SingleInstanceGuard, AnotherProcessHoldingItRefusesUsUntilItEnds) {
  const std::wstring base = UniqueBase();
  Utils::ChildProcess holder;
  // Held long enough for a second probe to start and ask, even on a slow, busy machine.
  ASSERT_EQ(StartHolder(holder, base, L" 6000"), "held");
  Utils::SingleInstanceGuard ours(base);
  EXPECT_FALSE(ours.Acquire());
  const auto other = testsupport::RunCommandLine(testsupport::ProbeCommand() + L" lock " + base + L" 0");
  EXPECT_EQ(other.output, "busy\n");
  EXPECT_EQ(other.exitCode, 1u);
  EXPECT_EQ(holder.WaitForExit(), 0u);
  EXPECT_TRUE(ours.Acquire());
}

TEST(SingleInstanceGuard, DiesWithACrashedHolder) {
  const std::wstring base = UniqueBase();
  Utils::ChildProcess holder;
  ASSERT_EQ(StartHolder(holder, base, L" 200 crash"), "held");
  EXPECT_NE(holder.WaitForExit(), 0u);
  Utils::SingleInstanceGuard ours(base);
  EXPECT_TRUE(ours.Acquire());
}
