// Folder helpers on real folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"
#include "utils/folders.h"

namespace fs = std::filesystem;
using Utils::JoinPath;

TEST(CreateDirectoryTree, CreatesEveryMissingLevel) {
  testsupport::TempDir dir;
  const std::wstring deep = JoinPath(JoinPath(JoinPath(dir.WPath(), L"a"), L"b"), L"\x4E2D\x6587");
  EXPECT_TRUE(Utils::CreateDirectoryTree(deep));
  EXPECT_TRUE(fs::is_directory(testsupport::FsPath(deep)));
  EXPECT_TRUE(Utils::CreateDirectoryTree(deep)) << "existing folders are fine";
  const std::wstring trailing = JoinPath(dir.WPath(), L"c") + Utils::PathSeparator();
  EXPECT_TRUE(Utils::CreateDirectoryTree(trailing));
  EXPECT_TRUE(fs::is_directory(testsupport::FsPath(trailing)));
}

TEST(CreateDirectoryTree, RefusesBadPaths) {
  testsupport::TempDir dir;
  EXPECT_FALSE(Utils::CreateDirectoryTree(L""));
  std::wstring longPath = dir.WPath();
  while (longPath.size() <= Utils::kMaxPathLength) longPath = JoinPath(longPath, L"abcdefghij");
  EXPECT_FALSE(Utils::CreateDirectoryTree(longPath));
  EXPECT_FALSE(fs::exists(fs::path(dir.WPath()) / L"abcdefghij")) << "nothing is created for a refused path";

  const auto file = dir.Write("file", "x");
  EXPECT_FALSE(Utils::CreateDirectoryTree(file.wstring())) << "a file where the folder should be";
  EXPECT_FALSE(Utils::CreateDirectoryTree(JoinPath(file.wstring(), L"below")));
}

TEST(CreateDirectoryTree, AcceptsExactly260Characters) {
  testsupport::TempDir dir;
  std::wstring path = JoinPath(dir.WPath(), L"x");
  path += std::wstring(Utils::kMaxPathLength - path.size(), L'y');
  ASSERT_EQ(path.size(), Utils::kMaxPathLength);
  // Some file systems cap a component at 255 bytes; the length rule is what is checked here.
  if (Utils::FileNameOf(path).size() <= 255) EXPECT_TRUE(Utils::CreateDirectoryTree(path));
  EXPECT_FALSE(Utils::CreateDirectoryTree(path + L"z"));
}

TEST(InstallerTempFolder, EndsInTheFixedNameAndExists) {
  const std::wstring folder = Utils::GetInstallerTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(Utils::IsPathSeparator(folder.back()));
  const std::wstring name = L"~ZelkorTemp.92482B06FB471E17";
  EXPECT_EQ(folder.substr(folder.size() - name.size() - 1, name.size()), name);
  EXPECT_TRUE(Utils::DirectoryExists(folder));
  EXPECT_EQ(Utils::GetInstallerTempFolder(), folder);
}

TEST(Paths, JoinSplitAndTheRunningExecutable) {
  const wchar_t sep = Utils::PathSeparator();
  const std::wstring a = std::wstring(L"root") + sep + L"dir";
  EXPECT_EQ(JoinPath(a, L"f.ini"), a + sep + L"f.ini");
  EXPECT_EQ(JoinPath(a + sep, L"f.ini"), a + sep + L"f.ini");
  EXPECT_EQ(Utils::DirectoryOf(a + sep + L"f.ini"), a);
  EXPECT_EQ(Utils::FileNameOf(a + sep + L"f.ini"), L"f.ini");
  EXPECT_EQ(Utils::FileNameOf(L"f.ini"), L"f.ini");
  const std::wstring exe = Utils::GetExecutablePath();
  EXPECT_EQ(Utils::FileNameOf(exe).rfind(L"utils_tests", 0), 0u);
  EXPECT_TRUE(fs::exists(testsupport::FsPath(exe)));
}
