// The package runner: its command line, and the run that starts the package and reads it.
#include "pipeline/package_runner.h"

#include <optional>

#include "pipeline/child_output_pump.h"
#include "pipeline/package_signature.h"
#include "startup/installer_config.h"
#include "utils/log.h"
#include "utils/thread.h"

namespace {

const wchar_t* TrueFalse(bool flag) { return flag ? L"true" : L"false"; }

}  // namespace

CInstaller::CInstaller(EventCallback callback, std::wstring packagePath, std::wstring installDir, bool quickLaunch,
                       bool desktop, bool admin)
    : callback_(std::move(callback)),
      packagePath_(std::move(packagePath)),
      installDir_(std::move(installDir)),
      quickLaunch_(quickLaunch),
      desktop_(desktop),
      admin_(admin),
      reader_(pipeline::PackageProtocol(),
              [this](int code, double value, const std::wstring& text) { Send(code, value, text.c_str()); }) {}

CInstaller::~CInstaller() { worker_.reset(); }

std::wstring CInstaller::BuildCommandLine() const {
  std::wstring line = packagePath_;
  line += L" /S -console=show -version=1.0.0";
  line += L" -adminact=";
  line += TrueFalse(admin_);
  line += L" -authorizationact=";
  line += TrueFalse(authorisation_);
  line += L" -dsc=";
  line += TrueFalse(desktop_);
  line += L" -ssc=";
  line += TrueFalse(quickLaunch_);
  if (!language_.empty()) line += L" -inslang=\"" + language_ + L"\"";
  if (!g_InstallerConfig.InstCmd.empty()) line += L" " + g_InstallerConfig.InstCmd;
  if (!installDir_.empty()) {
    line += L" -instdir=\"" + installDir_ + L"\"";
    line += L" /D=" + installDir_;
  }
  return line;
}

void CInstaller::Start() {
  // The earlier run ends first: its worker still reads the command line and the reader.
  worker_.reset();
  commandLine_ = BuildCommandLine();
  worker_ = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) {
    static_cast<CInstaller*>(self)->Run();
    return 0;
  });
  if (!worker_->Resume()) {
    // Without a worker there is no run to report from: the owner hears the failure here.
    worker_.reset();
    Send(IST_CODE_FAIL, 2.0, L"");
  }
}

bool CInstaller::SignedAsRequired(const pipeline::PackageHold* hold) {
  if (hold == nullptr) return true;
  // A file that cannot be held could change after the check: it is not checked at all.
  const pipeline::PackageSignature signature = hold->Held()
                                                   ? pipeline::CheckPackageSignature(packageFile_, requiredSigner_)
                                                   : pipeline::PackageSignature::kInvalid;
  if (signature == pipeline::PackageSignature::kBySigner) return true;
  TLOGLN(L"the package is not signed by \"%ls\" (%d)", requiredSigner_.c_str(), static_cast<int>(signature));
  Send(IST_CODE_FAIL, kNotSignedBySigner, L"安装包签名校验失败");
  return false;
}

void CInstaller::Run() {
  RunPackage();
  if (runEnded_) runEnded_();
}

void CInstaller::RunPackage() {
  Send(IST_CODE_START, 0.0, L"");
  if (packagePath_.empty()) {
    Send(IST_CODE_FAIL, 1.0, L"");
    return;
  }
  // A package that must be signed stays held from its check to the end of its run, so the
  // file that runs is the file checked.
  std::optional<pipeline::PackageHold> hold;
  if (!requiredSigner_.empty()) hold.emplace(packageFile_);
  if (!SignedAsRequired(hold ? &*hold : nullptr)) return;
  Send(IST_CODE_PROGRESS, 0.0, L"");
  if (!pipeline::RunChildReading(commandLine_, reader_, pipeline::AfterResult::kDrain)) {
    Send(IST_CODE_FAIL, 2.0, L"");
    return;
  }
  // A package that ends without saying how it went has installed.
  if (!reader_.HasResult()) Send(IST_CODE_SUCCESS, 1.0, L"");
}
