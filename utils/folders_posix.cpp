// POSIX folder primitives: paths are UTF-8 file names, the temporary folder is $TMPDIR or /tmp.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "utils/folders.h"
#include "utils/text.h"

namespace Utils {
namespace {
bool Stat(const std::wstring& path, struct stat& info) {
  const std::string narrow = ToNarrow(path, kCodePageAnsi);
  return !narrow.empty() && stat(narrow.c_str(), &info) == 0;
}
}  // namespace

wchar_t PathSeparator() { return L'/'; }
bool IsPathSeparator(wchar_t c) { return c == L'/'; }

std::wstring GetExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  return ToWide(std::string(buffer.data(), static_cast<std::size_t>(n)), kCodePageAnsi);
}

bool DirectoryExists(const std::wstring& path) {
  struct stat info {};
  return Stat(path, info) && S_ISDIR(info.st_mode);
}

bool PathExists(const std::wstring& path) {
  struct stat info {};
  return Stat(path, info);
}

std::wstring EnvironmentValue(const std::wstring& name) {
  const char* value = std::getenv(ToNarrow(name, kCodePageUtf8).c_str());
  return value != nullptr ? ToWide(value, kCodePageUtf8) : L"";
}

// Add-on application packages go under /opt.
std::wstring ProgramFilesFolder() { return L"/opt"; }

namespace folders_detail {

bool MakeOneDirectory(const std::wstring& path) {
  const std::string narrow = ToNarrow(path, kCodePageAnsi);
  if (narrow.empty()) return false;
  if (mkdir(narrow.c_str(), 0755) == 0) return true;
  return errno == EEXIST && DirectoryExists(path);
}

std::wstring UserTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (base.size() > kMaxPathLength) return {};
  if (base.back() != '/') base.push_back('/');
  return ToWide(base, kCodePageAnsi);
}

}  // namespace folders_detail
}  // namespace Utils
