// Installing and removing through std::filesystem, with paths built from UTF-8 so that any
// folder name works on both platforms.
#include "tools/standin/install_work.h"

#include <filesystem>
#include <system_error>

#include "tools/standin/behaviours.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

fs::path FsPath(const std::wstring& text) {
  const std::string utf8 = Utils::ToNarrow(text, Utils::kCodePageUtf8);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}


std::string ReadAll(const std::wstring& path) {
  std::string text;
  Utils::UniqueFile file = Utils::OpenFile(path, "rb");
  if (!file) return text;
  char block[4096];
  while (std::size_t n = std::fread(block, 1, sizeof(block), file.get())) text.append(block, n);
  return text;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
  Utils::UniqueFile file = Utils::OpenFile(path, "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return Utils::CloseFile(file);
}

// A section header line naming "Uninstall", blanks and letter case aside.
bool IsUninstallHeader(const std::string& line) {
  const std::wstring trimmed = Utils::Trim(Utils::ToWide(line, Utils::kCodePageUtf8));
  if (trimmed.size() < 2 || trimmed.front() != L'[') return false;
  const std::size_t close = trimmed.find(L']');
  if (close == std::wstring::npos) return false;
  std::wstring name = Utils::Trim(trimmed.substr(1, close - 1));
  for (wchar_t& c : name) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  return name == L"uninstall";
}

// INI text with its "Uninstall" sections replaced by one holding IsOverride=false at the end.
std::string WithKeepSetting(const std::string& iniText) {
  std::string kept;
  bool skipping = false;
  std::size_t start = 0;
  while (start < iniText.size()) {
    std::size_t end = iniText.find('\n', start);
    end = end == std::string::npos ? iniText.size() : end + 1;
    const std::string line = iniText.substr(start, end - start);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '[') skipping = IsUninstallHeader(line);
    if (!skipping) kept += line;
    start = end;
  }
  if (!kept.empty() && kept.back() != '\n') kept += "\r\n";
  return kept + "[Uninstall]\r\nIsOverride=false\r\n";
}

}  // namespace

bool InstallInto(const std::wstring& folder, bool keepOnReinstall) {
  const std::wstring self = Utils::GetExecutablePath();
  if (self.empty() || !Utils::CreateDirectoryTree(folder)) return false;
  // The project's copy (MinGW's std::filesystem::copy_file does not overwrite a file).
  if (!Utils::CopyFileTo(self, Utils::JoinPath(folder, kProductFile))) return false;
  if (!Utils::CopyFileTo(self, Utils::JoinPath(folder, kUninstallerFile))) return false;
  if (!keepOnReinstall) return true;
  const std::wstring settings = Utils::JoinPath(folder, kSettingsFile);
  return WriteAll(settings, WithKeepSetting(ReadAll(settings)));
}

bool RemoveFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  fs::remove_all(FsPath(folder), error);
  return !Utils::PathExists(folder);
}

}  // namespace standin
