// The hold on Windows: the file open for reading, shared with readers only. Writers, and
// renames and deletions (which need delete access), are refused while it is open; starting
// the package, and reading it for its signature, are reads and go on.
#include <windows.h>

#include "pipeline/package_hold.h"
#include "utils/log.h"

namespace pipeline {

struct PackageHold::File {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~File() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

PackageHold::PackageHold(const std::wstring& path) : file_(std::make_unique<File>()) {
  file_->handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_->handle == INVALID_HANDLE_VALUE) {
    TLOGLN(L"the package \"%ls\" cannot be held (error %lu)", path.c_str(), GetLastError());
  }
}

PackageHold::~PackageHold() = default;

bool PackageHold::Held() const { return file_->handle != INVALID_HANDLE_VALUE; }

}  // namespace pipeline
