// Windows process lookup: a Toolhelp snapshot of the running processes, walked for an image
// name compared with lstrcmpW (letter case counts).
#include <windows.h>

#include <tlhelp32.h>

#include "pipeline/install_record.h"

namespace pipeline {
namespace {

// Owns a snapshot handle.
class Snapshot {
 public:
  Snapshot() : handle_(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}
  ~Snapshot() {
    if (Valid()) CloseHandle(handle_);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::uint32_t FindProcessByName(const std::wstring& name) {
  Snapshot snapshot;
  if (!snapshot.Valid()) return 0;  // no list, so no process known to run
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
    if (lstrcmpW(entry.szExeFile, name.c_str()) == 0) return entry.th32ProcessID;
  }
  return 0;
}

}  // namespace pipeline
