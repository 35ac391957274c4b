// The hold in the POSIX build: the file open for reading. POSIX has no way to keep writers
// out, and this build refuses every package that must be signed, so the hold only says that
// the file is there.
#include <fcntl.h>
#include <unistd.h>

#include "pipeline/package_hold.h"
#include "utils/text.h"

namespace pipeline {

struct PackageHold::File {
  int descriptor = -1;
  ~File() {
    if (descriptor >= 0) close(descriptor);
  }
};

PackageHold::PackageHold(const std::wstring& path) : file_(std::make_unique<File>()) {
  file_->descriptor = open(Utils::ToNarrow(path, Utils::kCodePageAnsi).c_str(), O_RDONLY | O_CLOEXEC);
}

PackageHold::~PackageHold() = default;

bool PackageHold::Held() const { return file_->descriptor >= 0; }

}  // namespace pipeline
