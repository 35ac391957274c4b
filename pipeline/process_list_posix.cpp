// POSIX process lookup: the processes under /proc, each named by the file name of its
// executable (the target of /proc/<pid>/exe), compared exactly. Processes whose executable
// cannot be read (another user's, or one that has just ended) are passed over.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "pipeline/install_record.h"
#include "utils/text.h"

namespace pipeline {
namespace {

struct DirectoryCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

bool IsProcessId(const char* name) {
  if (*name == '\0') return false;
  for (; *name != '\0'; ++name) {
    if (*name < '0' || *name > '9') return false;
  }
  return true;
}

// The file name of a process's executable, or "" when it cannot be read.
std::string ExecutableName(const std::string& pid) {
  char target[4096];
  const ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), target, sizeof(target));
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof(target)) return {};
  std::string path(target, static_cast<std::size_t>(n));
  // The executable of a process whose file was deleted (or replaced) reads "<path>
  // (deleted)"; the process still runs under its old name, as Windows would list it. A file
  // really named so is still there.
  constexpr std::string_view kDeleted = " (deleted)";
  struct stat info {};
  if (path.ends_with(kDeleted) && lstat(path.c_str(), &info) != 0) path.resize(path.size() - kDeleted.size());
  return path.substr(path.rfind('/') + 1);
}

}  // namespace

std::uint32_t FindProcessByName(const std::wstring& name) {
  const std::string wanted = Utils::ToNarrow(name, Utils::kCodePageAnsi);
  if (wanted.empty()) return 0;  // no name, or one no file name can have
  const Directory proc(opendir("/proc"));
  if (!proc) return 0;  // no list, so no process known to run
  while (const dirent* entry = readdir(proc.get())) {
    if (!IsProcessId(entry->d_name)) continue;
    if (ExecutableName(entry->d_name) != wanted) continue;
    return static_cast<std::uint32_t>(std::strtoul(entry->d_name, nullptr, 10));
  }
  return 0;
}

}  // namespace pipeline
