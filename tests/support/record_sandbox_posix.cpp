// POSIX record sandbox: the registry store moved to a temporary folder (RegistrySandbox)
// and APPDATA restored when the test ends.
#include <signal.h>

#include <cstdlib>
#include <optional>

#include "tests/support/record_sandbox.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"
#include "utils/text.h"

namespace testsupport {

struct RecordSandbox::State {
  RegistrySandbox registry;
  TempDir appData;
  std::optional<std::string> previousAppData;
};

RecordSandbox::RecordSandbox() : state_(std::make_unique<State>()) {
  if (const char* old = std::getenv("APPDATA")) state_->previousAppData = old;
}

RecordSandbox::~RecordSandbox() {
  // Restoring cannot fail in a way the test could still act on; the process ends soon.
  if (state_->previousAppData) static_cast<void>(setenv("APPDATA", state_->previousAppData->c_str(), 1));
  else static_cast<void>(unsetenv("APPDATA"));
}

std::wstring RecordSandbox::AppData() const { return state_->appData.WPath(); }

bool RecordSandbox::SetAppData(const std::wstring& folder) {
  return setenv("APPDATA", Utils::ToNarrow(folder, Utils::kCodePageAnsi).c_str(), 1) == 0;
}

bool EndProcess(std::uint32_t processId) { return processId != 0 && kill(static_cast<pid_t>(processId), SIGKILL) == 0; }

}  // namespace testsupport
