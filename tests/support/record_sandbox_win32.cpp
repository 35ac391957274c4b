// Windows record sandbox: the real values InstallPath and UnInstallEp under the installer's
// key are deleted before and after the test, and APPDATA is restored in the process
// environment when it ends.
#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "pipeline/install_record.h"
#include "tests/support/record_sandbox.h"
#include "tests/support/temp_dir.h"

namespace testsupport {
namespace {

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

void DeleteRecordValues() {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkorSoft\\Tavelo", 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) {
    return;  // no key, so no values
  }
  const Key key(opened);
  // A value that is not there is as good as a deleted one.
  static_cast<void>(RegDeleteValueW(key.get(), pipeline::kInstallPathValue));
  static_cast<void>(RegDeleteValueW(key.get(), pipeline::kUninstallRecordValue));
}

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<wchar_t> buffer(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, buffer.data(), size);
  return std::wstring(buffer.data(), n < size ? n : 0);
}

}  // namespace

struct RecordSandbox::State {
  TempDir appData;
  std::optional<std::wstring> previousAppData;
};

RecordSandbox::RecordSandbox() : state_(std::make_unique<State>()) {
  DeleteRecordValues();
  state_->previousAppData = ReadEnvironment(L"APPDATA");
}

RecordSandbox::~RecordSandbox() {
  DeleteRecordValues();
  // Restoring cannot fail in a way the test could still act on; the process ends soon.
  static_cast<void>(
      SetEnvironmentVariableW(L"APPDATA", state_->previousAppData ? state_->previousAppData->c_str() : nullptr));
}

std::wstring RecordSandbox::AppData() const { return state_->appData.WPath(); }

bool RecordSandbox::SetAppData(const std::wstring& folder) {
  return SetEnvironmentVariableW(L"APPDATA", folder.c_str()) != FALSE;
}

bool EndProcess(std::uint32_t processId) {
  const Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  return process && TerminateProcess(process.get(), 1) != FALSE;
}

}  // namespace testsupport
