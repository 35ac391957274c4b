// Behaviour only the POSIX layer has: its stand-ins for Windows facts, thread names in
// /proc, and digests checked against the system's md5sum.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "tests/support/probe_runner.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"
#include "utils/md5.h"
#include "utils/registry.h"
#include "utils/system_facts.h"
#include "utils/text.h"
#include "utils/thread.h"

TEST(PosixFileMd5, MatchesMd5sum) {
  testsupport::TempDir dir;
  std::mt19937 random(42);
  std::string data(3 * 1024 * 1024 + 17, '\0');
  for (char& c : data) c = static_cast<char>(random());
  const auto file = dir.Write("\xE5\x8C\x85 package.bin", data);
  const auto result = testsupport::RunCommandLine(L"md5sum \"" + Utils::ToWide(file.string(), 65001) + L"\"");
  ASSERT_EQ(result.exitCode, 0u);
  EXPECT_EQ(Utils::FileMd5Hex(file.string()), result.output.substr(0, 32));
}

TEST(PosixThread, NameIsVisibleToDebuggers) {
  struct Seen {
    std::string comm;
  } named, unnamed;
  auto body = [](void* p) {
    std::ifstream in("/proc/self/task/" + std::to_string(gettid()) + "/comm");
    std::getline(in, static_cast<Seen*>(p)->comm);
    return 0;
  };
  Utils::Thread a(&named, L"ABDEF", body);
  Utils::Thread b(&unnamed, L"", body);
  const std::string bName = "t" + std::to_string(b.ThreadId());
  a.Resume();
  b.Resume();
  a.Join();
  b.Join();
  EXPECT_EQ(named.comm, "ABDEF");
  EXPECT_EQ(unnamed.comm, bName.substr(0, 15));
}

TEST(PosixWindowsVersion, ComesFromTheClaimedVersionOrIsUnavailable) {
  std::wstring os, version;
  unsetenv("TAVELO_WINDOWS_VERSION");
  Utils::GetWindowsVersionText(os, version);
  EXPECT_EQ(version, L"XP-");
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"6.1.7601", L"7"}, {"10.0.19045", L"10"}, {"5.1.2600", L"XP"}, {"11.0.70000", L"11.0.4464"}, {"junk", L"XP-"}};
  for (const auto& [claimed, text] : cases) {
    setenv("TAVELO_WINDOWS_VERSION", claimed, 1);
    Utils::GetWindowsVersionText(os, version);
    EXPECT_EQ(version, text) << claimed << " (the build keeps its low 16 bits)";
  }
  unsetenv("TAVELO_WINDOWS_VERSION");
}

TEST(PosixAdministrator, RootIsAnAdministrator) {
  EXPECT_TRUE(Utils::IsAdminAccount(L"root"));
  if (geteuid() == 0) EXPECT_TRUE(Utils::IsUserAdminGroupMember());
}

TEST(PosixRegistryStore, DamagedLinesDoNotHideTheOthers) {
  testsupport::RegistrySandbox sandbox;
  ASSERT_TRUE(Utils::WriteRegistryString(L"InstallPath", L"/opt/tavelo"));
  const std::string file = std::string(std::getenv("XDG_CONFIG_HOME")) + "/ZelkorSoft/Tavelo.reg";
  std::ofstream(file, std::ios::app) << "garbage without tabs\n\x01\x02\n";
  std::wstring text;
  unsigned long type = 0;
  ASSERT_TRUE(Utils::ReadRegistryString(L"installpath", text, type));
  EXPECT_EQ(text, L"/opt/tavelo");
  ASSERT_TRUE(Utils::WriteRegistryString(L"UnInstallEp", L"x"));
  ASSERT_TRUE(Utils::ReadRegistryString(L"InstallPath", text, type));
  EXPECT_EQ(text, L"/opt/tavelo");
}
