// The stand-in's roles: the setup package, the old installation's uninstaller and the
// product, chosen from the command line as the installer starts each of them.
#include "tools/standin/standin.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tools/standin/behaviours.h"
#include "tools/standin/install_work.h"
#include "tools/standin/scripts.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace standin {
namespace {

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The rest of the command line after the last occurrence of marker; "" without one.
std::wstring TextAfterLast(const std::wstring& commandLine, const std::wstring& marker) {
  const std::size_t at = commandLine.rfind(marker);
  return at == std::wstring::npos ? std::wstring() : commandLine.substr(at + marker.size());
}

void SleepMs(unsigned long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Role PackageRole(const std::wstring& folder, bool keepOnReinstall) {
  Role role;
  role.opening = {"Encode=UTF8", "Progress=0.1"};
  role.work = [folder, keepOnReinstall] { return InstallInto(folder, keepOnReinstall); };
  role.results = {"Progress=1.0",
                  "InstPath=" + Utf8(folder),
                  "ExePath=" + Utf8(Utils::JoinPath(folder, kProductFile)),
                  "UninstEp=" + Utf8(Utils::JoinPath(folder, kUninstallerFile)),
                  "StartupStyle=UserStartup",
                  std::string("InstallVersion=") + kInstalledVersion};
  role.failure = "Error=cannot install into " + Utf8(folder);
  return role;
}

Role UninstallerRole(const std::wstring& folder) {
  Role role;
  role.opening = {"Progress=0.5"};
  role.work = [folder] { return RemoveFolder(folder); };
  role.failure = "State=Fail";
  return role;
}

int PackageMain(const std::wstring& commandLine) {
  std::wstring folder = TextAfterLast(commandLine, L" /D=");
  if (folder.empty()) folder = Utils::DirectoryOf(Utils::GetExecutablePath());
  const std::string behaviour = Environment(kPackageVariable);
  return Play(behaviour, PackageRole(folder, behaviour == kKeep));
}

int ProductMain(const std::vector<std::wstring>& args) {
  const std::wstring linger = Utils::ToWide(kLingerArgument, Utils::kCodePageUtf8);
  std::string line = "started";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i].rfind(linger, 0) == 0) {
      SleepMs(std::wcstoul(args[i].c_str() + linger.size(), nullptr, 10));
      return 0;
    }
    line += ' ';
    line += Utf8(args[i]);
  }
  line += "\n";
  const std::wstring log = Utils::JoinPath(Utils::DirectoryOf(Utils::GetExecutablePath()), kProductLog);
  Utils::UniqueFile file = Utils::OpenFile(log, "ab");
  if (file) std::fwrite(line.data(), 1, line.size(), file.get());
  Utils::CloseFile(file);
  SleepMs(std::strtoul(Environment(kProductLingerVariable).c_str(), nullptr, 10));
  return 0;
}

}  // namespace

int StandinMain(const std::vector<std::wstring>& args, const std::wstring& commandLine) {
  const std::wstring uninstallMarker = L"_?=";
  if (commandLine.find(uninstallMarker) != std::wstring::npos) {
    return Play(Environment(kUninstallVariable), UninstallerRole(TextAfterLast(commandLine, uninstallMarker)));
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"/S") return PackageMain(commandLine);
  }
  return ProductMain(args);
}

}  // namespace standin
