// The uninstaller runner: its command line with the two privilege answers, and the run that
// starts the uninstaller and reads it to its end.
#include "pipeline/uninstaller_runner.h"

#include "pipeline/child_output_pump.h"
#include "utils/file_ops.h"
#include "utils/system_facts.h"
#include "utils/thread.h"

namespace {

const wchar_t* TrueFalse(bool flag) { return flag ? L"true" : L"false"; }

bool ConsoleUserIsAdmin() {
  std::wstring user;
  return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
}

bool IsFile(const std::wstring& path) { return Utils::FileSizeAt(path) >= 0; }

}  // namespace

UnInstaller::UnInstaller(EventCallback callback, std::wstring uninstallerPath, std::wstring installDir)
    : callback_(std::move(callback)),
      uninstallerPath_(std::move(uninstallerPath)),
      installDir_(std::move(installDir)),
      reader_(pipeline::UninstallerProtocol(),
              [this](int code, double value, const std::wstring& text) { Send(code, value, text.c_str()); }) {}

UnInstaller::~UnInstaller() { worker_.reset(); }

std::wstring UnInstaller::BuildCommandLine(bool consoleUserIsAdmin, bool processIsAdmin) const {
  return uninstallerPath_ + L" /S -adminact=" + TrueFalse(consoleUserIsAdmin) + L" -authorizationact=" +
         TrueFalse(processIsAdmin) + L" -console=show _?=" + installDir_;
}

void UnInstaller::Start() {
  worker_.reset();  // a second start waits for the first run instead of racing it
  commandLine_ = BuildCommandLine(ConsoleUserIsAdmin(), Utils::IsUserAdminGroupMember());
  worker_ = std::make_unique<Utils::Thread>(this, L"UnInstaller", [](void* self) {
    static_cast<UnInstaller*>(self)->Run();
    return 0;
  });
  if (!worker_->Resume()) {
    worker_.reset();
    Send(UNIST_CODE_FAIL, 2.0, L"");
  }
}

void UnInstaller::Run() {
  if (!IsFile(uninstallerPath_)) {
    Send(UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在");
    return;
  }
  Send(UNIST_CODE_PROGRESS, 0.0, L"");
  // Every line counts, up to the last one written before the exit: a failure reported
  // last must stop the pipeline.
  if (!pipeline::RunChildReading(commandLine_, reader_, pipeline::AfterResult::kKeepOn)) {
    Send(UNIST_CODE_FAIL, 2.0, L"");
    return;
  }
  if (!reader_.HasResult()) Send(UNIST_CODE_SUCCESS, 1.0, L"");
}
