// Values under the installer's key (the real registry under Wine, the file store on POSIX).
#include <gtest/gtest.h>

#include <random>

#include "tests/support/registry_sandbox.h"
#include "utils/registry.h"

namespace {
std::wstring UniqueName(const wchar_t* stem) {
  std::random_device random;
  return stem + std::to_wstring(random());
}
}  // namespace

TEST(Registry, WrittenStringsReadBackWithTheirType) {
  testsupport::RegistrySandbox sandbox;
  const std::wstring name = UniqueName(L"InstallPath");
  const std::wstring values[] = {L"C:\\Program Files\\Tavelo", L"\x4E2D\x6587 path", L"", L"a\tb\nc\\d"};
  for (const std::wstring& value : values) {
    ASSERT_TRUE(Utils::WriteRegistryString(name, value));
    std::wstring text = L"stale";
    unsigned long type = 0;
    ASSERT_TRUE(Utils::ReadRegistryString(name, text, type));
    EXPECT_EQ(text, value);
    EXPECT_EQ(type, Utils::kRegistryString);
  }
}

TEST(Registry, NamesIgnoreCaseAndMissingValuesReadFalse) {
  testsupport::RegistrySandbox sandbox;
  const std::wstring name = UniqueName(L"UnInstallEp");
  ASSERT_TRUE(Utils::WriteRegistryString(name, L"first"));
  std::wstring upper = name;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  ASSERT_TRUE(Utils::WriteRegistryString(upper, L"second"));
  std::wstring text;
  unsigned long type = 0;
  ASSERT_TRUE(Utils::ReadRegistryString(name, text, type));
  EXPECT_EQ(text, L"second");

  text = L"untouched";
  EXPECT_FALSE(Utils::ReadRegistryString(UniqueName(L"Missing"), text, type));
  EXPECT_EQ(text, L"untouched");
}
